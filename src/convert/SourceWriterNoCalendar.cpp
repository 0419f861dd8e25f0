// A build without the calendar import: appointments and tasks are counted, not converted.

#include "convert/SourceWriter.h"
#include "source/Item.h"

namespace tolvane::convert {

void SourceWriter::storeCalendar(const source::Item& item, SourceReport& report) {
    ++report.notConverted[static_cast<std::size_t>(item.kind)];
}

}  // namespace tolvane::convert
