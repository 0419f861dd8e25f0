// Appointments and tasks of a source, through the calendar import.

#include <string_view>

#include "calendar/CalendarImport.h"
#include "calendar/SystemZone.h"
#include "convert/SourceWriter.h"
#include "source/Item.h"

namespace tolvane::convert {

void SourceWriter::storeCalendar(const source::Item& item, SourceReport& report) {
    const std::string name = item.reportName();
    const auto read = bytesOf(item, report);
    if (!read)
        return;
    const std::vector<std::uint8_t>& bytes = *read;
    // Floating times and all-day dates are the user's own local times: the system's zone.
    static const calendar::LocalZone local = calendar::systemLocalZone();
    const calendar::CalendarImporter importer(
        {.localZone = local.name, .localZoneDefinition = local.definition});
    const auto sink = [&](calendar::CalendarItem found) {
        const bool task = found.kind == calendar::ItemKind::Task;
        const auto route = mailbox::routeOfItem(
            item, task ? mailbox::FolderContents::Tasks : mailbox::FolderContents::Appointments);
        storeOther(route, std::move(found.message),
                   task ? source::ItemKind::Task : source::ItemKind::Appointment, name, report);
    };
    // An archive's .appt and .task entries are Zimbra's stored MIME; a zip's entries and a
    // queued file are iCalendar text.
    const auto result =
        item.meta ? importer.importMime(bytes, name, sink)
                  : importer.importText(
                        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                        name, sink);
    for (const auto& problem : result.problems)
        (problem.itemLost ? report.failures : report.warnings)
            .push_back({problem.where, problem.what});
    if (result.items == 0 && result.problems.empty())
        report.failures.push_back({name, "there is no appointment or task in it"});
}

}  // namespace tolvane::convert
