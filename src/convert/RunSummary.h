#pragma once

// The sentences both front ends say about a finished run, from what the PST holds.

#include <string>
#include <vector>

#include "convert/RunResult.h"

namespace tolvane::convert {

// How the run ended, with the stored count and the file's path:
//   "10 of 12 message(s) converted into /out/ZimbraMails6.12.26 4.5.07.pst"
//   "Stopped: 4 of 12 messages are in /out/..."
//   "The disk is full: 4 of 12 messages are in /out/..."
// Empty for a run that stored nothing (cancelled, nothing to convert, failed to start).
std::string endSentence(const RunResult& result);

// What else the user should know: files not converted, files changed after queuing, files
// that held no message, a file that kept its working name. One sentence each.
std::vector<std::string> problemSentences(const RunResult& result);

// How many of the stored held no message and were kept whole as a body: "Of the 12 stored,
// 2 were no message: each is stored whole as its body." Empty when none was.
std::string noMessageSentence(const RunResult& result);

// What was stored beside the messages: "Also converted: 12 contacts, 3 appointments, 1 task."
// Empty when there was nothing.
std::string alsoConvertedSentence(const RunResult& result);

// What the sources held that was not converted (documents, which Outlook has no folder for):
// "Not converted: 2 documents."
std::string notConvertedSentence(const RunResult& result);

// The unfinished PSTs of earlier runs, said once before a run starts.
std::string leftoverSentence(const std::vector<std::string>& leftovers);

}  // namespace tolvane::convert
