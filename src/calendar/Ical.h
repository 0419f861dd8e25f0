#pragma once

// Owning handles and small readers over libical's C objects.

#include <libical/ical.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tolvane::calendar {

struct ComponentFree {
    void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
using ComponentPtr = std::unique_ptr<icalcomponent, ComponentFree>;

struct IteratorFree {
    void operator()(icalrecur_iterator* i) const { icalrecur_iterator_free(i); }
};
using RecurIteratorPtr = std::unique_ptr<icalrecur_iterator, IteratorFree>;

// The text of the component's first property of this kind, if it has one.
std::optional<std::string> textOf(icalcomponent* c, icalproperty_kind kind);
// The first X- property of that name (case-insensitive), and its value as text.
icalproperty* xProperty(icalcomponent* c, const char* name);
std::optional<std::string> xText(icalcomponent* c, const char* name);
// A property as iCalendar text, on one line (unfolded) and without its line break.
std::string propertyLine(icalproperty* p);
// Every value of the component's CATEGORIES properties, each list split at its commas.
std::vector<std::string> categoriesOf(icalcomponent* c);

}  // namespace tolvane::calendar
