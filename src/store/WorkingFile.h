#pragma once

// While a run writes, its PST carries a working name that says it is incomplete, the ".pst"
// kept so that a file left by a killed run still opens as what it is (a valid store holding
// the committed mail): "ZimbraMails6.12.26 4.5.07.pst" is written as
// "ZimbraMails6.12.26 4.5.07-incomplete.pst" and takes its final name when the run ends.

#include <filesystem>
#include <string>
#include <vector>

namespace tolvane::store {

inline constexpr char kWorkingSuffix[] = "-incomplete.pst";

// "X.pst" -> "X-incomplete.pst"; a path without ".pst" gets the suffix appended.
std::filesystem::path workingPathFor(const std::filesystem::path& finalPath);

// Whether anything has that name: a file, a folder, or a link that leads nowhere.
bool nameTaken(const std::filesystem::path& path);

// `wanted` (UTF-8) when nothing is there under its final or its working name, else the first of
// "X (2).pst", "X (3).pst", ... that is free under both, so two runs in the same second each
// get a file of their own. `wanted` itself when none of the first 999 is free: the store then
// refuses it.
std::string firstFreeStorePath(const std::string& wanted);

// Working files in `folder` whose names start with `prefix`, in name order, as the folder
// path joined with the name; none when the folder cannot be listed.
std::vector<std::string> workingFilesIn(const std::string& folder, const std::string& prefix);

// Gives a finished file its final name, never replacing what is there, and makes the new
// name durable. Throws AppError 58 when `to` exists (the file keeps its working name), 75
// for any other refusal.
void moveToFinalName(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace tolvane::store
