#include "scan/FileSystem.h"

namespace tolvane::scan {

const char* describeKind(EntryKind kind) {
    switch (kind) {
        case EntryKind::BrokenLink:
            return "a link to nothing";
        case EntryKind::Device:
            return "a device";
        case EntryKind::Fifo:
            return "a named pipe";
        case EntryKind::Socket:
            return "a socket";
        case EntryKind::Regular:
            break;
    }
    return "a file";
}

}  // namespace tolvane::scan
