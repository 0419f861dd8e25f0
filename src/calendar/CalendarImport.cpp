#include "calendar/CalendarImport.h"

#include <map>

#include "calendar/AppointmentBuilder.h"
#include "calendar/CalendarMime.h"
#include "calendar/Ical.h"
#include "calendar/IcsSplitter.h"
#include "calendar/TaskBuilder.h"

namespace tolvane::calendar {
namespace {

struct Piece {
    std::size_t text = 0;
    ComponentSpan span;
};

// A UID's components: the series or task, and what changes its occurrences.
struct Group {
    std::string kind;
    std::vector<Piece> masters;
    std::vector<Piece> overrides;
};

int sequenceOf(icalcomponent* c) {
    icalproperty* p = icalcomponent_get_first_property(c, ICAL_SEQUENCE_PROPERTY);
    return p ? icalproperty_get_sequence(p) : 0;
}

std::string describe(icalcomponent* c, const ComponentSpan& span) {
    std::string d = span.kind;
    if (auto s = textOf(c, ICAL_SUMMARY_PROPERTY)) {
        d += " '" + *s + "'";
    }
    return d + " at line " + std::to_string(span.line);
}

// libical keeps going past what it cannot read and marks it with X-LIC-ERROR properties.
void reportParseErrors(icalcomponent* c, Report& report) {
    for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_XLICERROR_PROPERTY); p;
         p = icalcomponent_get_next_property(c, ICAL_XLICERROR_PROPERTY)) {
        const char* text = icalproperty_get_xlicerror(p);
        report.add(std::string("malformed iCalendar: ") + (text ? text : "unreadable line") +
                   "; that line was left out");
    }
    for (icalcomponent* k = icalcomponent_get_first_component(c, ICAL_ANY_COMPONENT); k;
         k = icalcomponent_get_next_component(c, ICAL_ANY_COMPONENT)) {
        reportParseErrors(k, report);
    }
}

class Import {
  public:
    Import(const ImportOptions& options, const std::vector<std::string_view>& texts,
           const std::string& source, const ItemSink& sink)
        : zones_(options.localZone, options.localZoneDefinition),
          texts_(texts),
          report_(source),
          sink_(sink) {}

    ImportResult run() {
        std::vector<Group> groups;
        std::map<std::string, std::size_t> byUid;
        for (std::size_t t = 0; t < texts_.size(); ++t) {
            for (ComponentSpan& span : splitComponents(texts_[t])) {
                if (!span.complete) {
                    report_.item(span.kind + " at line " + std::to_string(span.line));
                    report_.lose("the text ends before END:" + span.kind + "; not converted");
                    continue;
                }
                if (span.kind == "VTIMEZONE") {
                    report_.item({});
                    zones_.add(texts_[t].substr(span.begin, span.end - span.begin), report_);
                    continue;
                }
                if (span.kind != "VEVENT" && span.kind != "VTODO") {
                    report_.item(span.kind + " at line " + std::to_string(span.line));
                    report_.lose("Outlook has no item for a " + span.kind + "; not converted");
                    continue;
                }
                const std::string key = span.kind + "\n" + span.uid;
                std::size_t g = groups.size();
                if (span.uid.empty() || !byUid.contains(key)) {
                    groups.push_back(Group{span.kind, {}, {}});
                    if (!span.uid.empty()) {
                        byUid[key] = g;
                    }
                } else {
                    g = byUid[key];
                }
                (span.recurrenceId ? groups[g].overrides : groups[g].masters)
                    .push_back(Piece{t, std::move(span)});
            }
        }
        if (groups.empty()) {
            report_.item({});
            report_.lose("no VEVENT or VTODO in it; nothing converted");
        }
        for (const Group& g : groups) {
            convert(g);
        }
        return ImportResult{items_, report_.take()};
    }

  private:
    std::string textOfGroup(const Group& g) const {
        std::string text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:tolvane\r\n";
        for (const auto* list : {&g.masters, &g.overrides}) {
            for (const Piece& p : *list) {
                text += texts_[p.text].substr(p.span.begin, p.span.end - p.span.begin);
                text += "\r\n";
            }
        }
        return text + "END:VCALENDAR\r\n";
    }

    void convert(const Group& g) {
        const std::string text = textOfGroup(g);
        ComponentPtr calendar(icalparser_parse_string(text.c_str()));
        const icalcomponent_kind kind =
            g.kind == "VEVENT" ? ICAL_VEVENT_COMPONENT : ICAL_VTODO_COMPONENT;
        std::vector<std::pair<icalcomponent*, const ComponentSpan*>> masters;
        std::vector<std::pair<icalcomponent*, const ComponentSpan*>> overrides;
        std::size_t i = 0;
        const std::size_t count = g.masters.size() + g.overrides.size();
        for (icalcomponent* c = calendar ? icalcomponent_get_first_component(calendar.get(), kind)
                                         : nullptr;
             c && i < count; c = icalcomponent_get_next_component(calendar.get(), kind), ++i) {
            const bool isMaster = i < g.masters.size();
            const ComponentSpan& span =
                isMaster ? g.masters[i].span : g.overrides[i - g.masters.size()].span;
            report_.item(describe(c, span));
            reportParseErrors(c, report_);
            (isMaster ? masters : overrides).push_back({c, &span});
        }
        if (i < count) {
            const ComponentSpan& first =
                g.masters.empty() ? g.overrides.front().span : g.masters.front().span;
            report_.item(first.kind + " at line " + std::to_string(first.line));
            report_.lose("iCalendar that cannot be read: " + std::to_string(count - i) +
                         " component(s) not converted");
        }
        const auto newest = pickNewest(masters);
        std::vector<icalcomponent*> changes;
        for (const auto& [c, span] : overrides) {
            changes.push_back(c);
        }
        if (g.kind == "VTODO") {
            if (newest.first) {
                task(newest);
            }
            for (const auto& o : overrides) {
                report_.item(describe(o.first, *o.second));
                report_.add(
                    "a changed occurrence of a recurring task: Outlook's task recurrence has "
                    "none, so it is a task of its own");
                task(o);
            }
            return;
        }
        if (!newest.first) {
            for (const auto& o : overrides) {
                report_.item(describe(o.first, *o.second));
                report_.add(
                    "a changed occurrence without its series: stored as an appointment of its own");
                appointment(o.first, {}, *o.second);
            }
            return;
        }
        const auto strays = appointment(newest.first, changes, *newest.second);
        for (icalcomponent* s : strays) {
            for (const auto& o : overrides) {
                if (o.first == s) {
                    appointment(s, {}, *o.second);
                }
            }
        }
    }

    // Zimbra's blobs and some files carry the same item more than once, each copy newer: the
    // highest SEQUENCE (the last of equals) is the item.
    std::pair<icalcomponent*, const ComponentSpan*> pickNewest(
        const std::vector<std::pair<icalcomponent*, const ComponentSpan*>>& masters) {
        std::pair<icalcomponent*, const ComponentSpan*> best{nullptr, nullptr};
        for (const auto& m : masters) {
            if (!best.first || sequenceOf(m.first) >= sequenceOf(best.first)) {
                best = m;
            }
        }
        for (const auto& m : masters) {
            if (m.first != best.first) {
                report_.item(describe(m.first, *m.second));
                report_.add("an older copy of the item (SEQUENCE " +
                            std::to_string(sequenceOf(m.first)) +
                            ") was left out for the newer one at line " +
                            std::to_string(best.second->line));
            }
        }
        return best;
    }

    std::vector<icalcomponent*> appointment(icalcomponent* c,
                                            const std::vector<icalcomponent*>& changes,
                                            const ComponentSpan& span) {
        report_.item(describe(c, span));
        auto built = buildAppointment(c, changes, zones_, rules_, report_);
        if (!built) {
            return {};
        }
        sink_(CalendarItem{ItemKind::Appointment, describe(c, span), std::move(built->message)});
        ++items_;
        return std::move(built->strays);
    }

    void task(const std::pair<icalcomponent*, const ComponentSpan*>& t) {
        report_.item(describe(t.first, *t.second));
        auto built = buildTask(t.first, zones_, report_);
        if (!built) {
            return;
        }
        sink_(CalendarItem{ItemKind::Task, describe(t.first, *t.second), std::move(*built)});
        ++items_;
    }

    ZoneSet zones_;
    ZoneRuleCache rules_;
    const std::vector<std::string_view>& texts_;
    Report report_;
    const ItemSink& sink_;
    std::size_t items_ = 0;
};

}  // namespace

ImportResult CalendarImporter::importText(std::string_view text, const std::string& source,
                                          const ItemSink& sink) const {
    const std::vector<std::string_view> texts{text};
    return Import(options_, texts, source, sink).run();
}

ImportResult CalendarImporter::importTexts(const std::vector<std::string>& texts,
                                           const std::string& source, const ItemSink& sink) const {
    const std::vector<std::string_view> views(texts.begin(), texts.end());
    return Import(options_, views, source, sink).run();
}

ImportResult CalendarImporter::importMime(std::span<const std::uint8_t> blob,
                                          const std::string& source, const ItemSink& sink) const {
    std::vector<Problem> problems;
    const std::vector<std::string> parts = calendarParts(blob, source, problems);
    ImportResult result = importTexts(parts, source, sink);
    if (parts.empty()) {
        problems.push_back(
            {source, "no text/calendar part in the calendar entry; nothing converted"});
    }
    problems.insert(problems.end(), result.problems.begin(), result.problems.end());
    result.problems = std::move(problems);
    return result;
}

}  // namespace tolvane::calendar
