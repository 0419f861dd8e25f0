#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "mapi/ImportOptions.h"
#include "mapi/Message.h"
#include "mapi/PropValue.h"

namespace tolvane::store {

class Folder;

// The raw message object behind an item, as a property utility takes it.
class MapiObject {
  public:
    virtual ~MapiObject() = default;
    virtual void SetProp(std::uint32_t tag, mapi::PropValue value) = 0;
    virtual void SaveChanges() = 0;
};

// A mail item in a folder. Saving keeps the message in memory; it is written to the store
// file once, when the item is closed (released), so saving twice writes it once and leaves
// no dead space. An item never saved is never written.
class MailItem final : public MapiObject {
  public:
    explicit MailItem(std::shared_ptr<Folder> folder);
    ~MailItem() override;
    MailItem(const MailItem&) = delete;
    MailItem& operator=(const MailItem&) = delete;

    // Fills the item from an RFC 822 file (format 1024), read with the run's options. Throws
    // what the import throws.
    void Import(const std::string& path, int format, const mapi::ImportOptions& options = {});
    // Fills the item with a message imported elsewhere (from an archive's entry).
    void SetMessage(mapi::Message message);
    MapiObject& MAPIOBJECT() { return *this; }
    // Marks the item saved. What a store computes on save (the has-attachment bit among
    // them) the PST writer computes as it writes the message.
    void Save();
    // Writes a saved message into its folder now and lets go of it. Errors are thrown; the
    // destructor does the same for an item not closed, swallowing errors.
    void Close();

    bool saved() const { return saved_; }
    const mapi::Message& message() const { return message_; }

    void SetProp(std::uint32_t tag, mapi::PropValue value) override;
    void SaveChanges() override { Save(); }

  private:
    friend class Store;
    void writeOnce();
    void requireOpen() const;

    std::shared_ptr<Folder> folder_;
    mapi::Message message_;
    bool saved_ = false;
    bool closed_ = false;
};

}  // namespace tolvane::store
