#pragma once
// Runs a program to its end with a chosen environment, its output caught in files.

#include <map>
#include <string>
#include <vector>

namespace CrashTest {

struct ChildResult
{
    // False when the child had not ended by itself within the bound; it was then killed,
    // and the test has failed.
    bool ended = false;
    int status = 0; // as waitpid gives it
    std::string standardOutput;
    std::string standardError;

    bool killedBy(int signalNumber) const;
    std::string describe() const;
};

// `environment`: variables set for the child on top of this process's own; an empty value
// removes the variable. The display variables are always removed unless given here, so
// that no dialog waits for a user.
// `awaitOutput`: text that a process the child left behind (the crash dialog) writes to
// the child's standard output; after the child ended, its output is read once that text
// is there, or after a generous bound.
ChildResult runChild(const std::vector<std::string>& arguments, const std::map<std::string, std::string>& environment,
                     const std::string& workingDirectory, const std::string& awaitOutput = std::string());

// Entry names in `folder`, sorted.
std::vector<std::string> folderEntries(const std::string& folder);

} // namespace CrashTest
