#pragma once

#include <cstddef>

#include "platform/ViewSettingsStore.h"
#include "queue/QueueWindow.h"
#include "shell/PathSyntax.h"

namespace tolvane::queue {

// Everything the queue takes together first, then each kind alone.
inline constexpr char kMessageFileFilter[] =
    "Zimbra Mail Files, Export Archives, Contacts and Calendars "
    "(*.eml;*.tgz;*.tar.gz;*.tar;*.zip;*.vcf;*.ics)|"
    "*.eml;*.tgz;*.tar.gz;*.tar;*.zip;*.vcf;*.ics|"
    "Zimbra Desktop Exported Messages (*.eml)|*.eml|"
    "Zimbra Export Archives (*.tgz;*.tar.gz;*.tar;*.zip)|*.tgz;*.tar.gz;*.tar;*.zip|"
    "Contacts and Calendars (*.vcf;*.ics)|*.vcf;*.ics";
// Heads the list of queued archives and what each holds.
inline constexpr char kQueuedArchives[] = "Zimbra export archives queued:";
// The most files one file-open selection may hold.
inline constexpr std::size_t kMaxFilesPerSelection = 1000;

// "Add Zimbra Mail File(s)...": flips the view settings, asks for files and queues each
// chosen path in the dialog's order. Any failure ends the click with one exclamation box.
void AddMessageFiles(QueueWindow& window, ViewSettingsStore& viewSettings,
                     shell::PathSyntax syntax = shell::nativePathSyntax());

}  // namespace tolvane::queue
