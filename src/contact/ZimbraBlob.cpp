#include "contact/ZimbraBlob.h"

#include "mime/GMimeSetup.h"

namespace tolvane::contact {
namespace {

using mime::GObjectPtr;

std::string text(const char* s) {
    return s ? s : "";
}

struct Walk {
    std::vector<ContactFile>& files;
    std::vector<std::string>& issues;
};

void visit(GMimeObject*, GMimeObject* part, gpointer user) {
    auto& walk = *static_cast<Walk*>(user);
    if (!GMIME_IS_PART(part)) {
        return;
    }
    ContactFile f;
    f.field = text(g_mime_object_get_content_disposition_parameter(part, "field"));
    f.fileName = text(g_mime_part_get_filename(GMIME_PART(part)));
    GMimeContentType* type = g_mime_object_get_content_type(part);
    mime::GCharPtr mimeType(type ? g_mime_content_type_get_mime_type(type) : nullptr);
    f.contentType = text(mimeType.get());
    GMimeDataWrapper* content = g_mime_part_get_content(GMIME_PART(part));
    GObjectPtr<GMimeStream> mem(g_mime_stream_mem_new());
    if (!content || g_mime_data_wrapper_write_to_stream(content, mem.get()) < 0) {
        walk.issues.push_back("the file \"" + f.fileName + "\" of the contact cannot be read");
        return;
    }
    GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(mem.get()));
    f.data.assign(bytes->data, bytes->data + bytes->len);
    walk.files.push_back(std::move(f));
}

}  // namespace

std::vector<ContactFile> filesOfZimbraBlob(std::span<const std::uint8_t> blob,
                                           std::vector<std::string>& issues) {
    std::vector<ContactFile> files;
    const GObjectPtr<GMimeMessage> message = mime::parseMessageBytes(blob);
    if (!message) {
        issues.push_back(
            "the contact's file store is no MIME message; its bytes were attached as "
            "they are");
        files.push_back({"", "contact-files.bin", "", mapi::Bytes(blob.begin(), blob.end())});
        return files;
    }
    Walk walk{files, issues};
    GMimeObject* top = g_mime_message_get_mime_part(message.get());
    if (GMIME_IS_MULTIPART(top)) {
        g_mime_multipart_foreach(GMIME_MULTIPART(top), visit, &walk);
    } else {
        visit(nullptr, top, &walk);
    }
    return files;
}

}  // namespace tolvane::contact
