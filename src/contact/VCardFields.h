#pragma once

// One vCard read into Zimbra's contact fields, the way Zimbra's own vCard import names
// them (email, email2, ...; homePhone, homePhone2, ...; homeStreet, homeCity, ...), so that a
// .vcf and an archive's `fld` dictionary reach the mapper in one form.

#include "contact/ContactRecord.h"
#include "contact/VCardReader.h"

namespace tolvane::contact {

ContactRecord fieldsOfVCard(const VCard& card);

}  // namespace tolvane::contact
