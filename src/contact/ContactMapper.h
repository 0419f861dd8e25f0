#pragma once

// One mapping from Zimbra's contact fields to Outlook's contact (IPM.Contact, MS-OXOCNTC
// 2.2.1) or, for a contact group, personal distribution list (IPM.DistList, 2.2.2). What
// Outlook has no property for goes into the notes (PidTagBody), never away.

#include <string>
#include <vector>

#include "contact/ContactRecord.h"
#include "contact/GroupMembers.h"
#include "mapi/Message.h"

namespace tolvane::contact {

// `issues` gains a sentence for each thing that was wrong with the input and what was done.
mapi::Message contactMessage(const ContactRecord& record, const MemberLookup& lookup,
                             std::vector<std::string>& issues);

}  // namespace tolvane::contact
