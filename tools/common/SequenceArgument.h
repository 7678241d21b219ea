// How the tools read an argument that names a sequence, and what a device root holds of them.
//
// An argument is a folder on this machine when it holds a "/" or names an existing folder
// relative to the current directory; otherwise it is the name of a sequence in the device
// root. When a plain word is both a folder here and a sequence in the root, the folder wins,
// and a note on standard error names the sequence it hides and how to reach it. check,
// preview, install and list all read sequences through this one rule.
#pragma once

#include "common/Result.h"

#include <string>
#include <vector>

namespace velorin::tools {

struct SequenceArgument {
    enum class Kind { Folder, Name };
    Kind kind{Kind::Folder};
    // On this machine: the folder as it was given, or the sequence's folder in the root.
    std::string folder;
    // The sequence's name, or the folder's own name.
    std::string name;
    // For a name, the device root it is in; empty for a folder.
    std::string root;
};

// Reads `argument` by the rule above; `givenRoot` is --root, empty for the user's own root. A
// name that is no sequence in the root is an input error naming where it was looked for. The
// user's root is made only when a name is looked up in it.
common::Result<SequenceArgument> resolveSequenceArgument(const std::string& argument,
                                                         const std::string& givenRoot);

// The sequence the preferences of the root choose (`givenRoot`, or the user's own), as when it
// had been named; an input error when the root holds no such sequence.
common::Result<SequenceArgument> resolveChosenSequence(const std::string& givenRoot);

// The folder under the device root `root` that holds its sequences, on this machine, without a
// trailing slash: the one place the tools join a root and the sequences' device path.
std::string sequencesFolderOfRoot(const std::string& root);

// The same folder as the commands that write into the root reach it: resolved inside the root
// as the device and the readers resolve it, a path on this machine with no link in it (its
// missing folders left to make). A fault, before anything is written, when it leads out of
// the root (common/RootedDestination.h).
common::Result<std::string> sequencesFolderForWriting(const std::string& root);

// The folder of the sequence `name` under the device root `root`, on this machine.
std::string sequenceFolderInRoot(const std::string& root, const std::string& name);

// The names of the sequence folders in the root, in natural order; none when it holds none.
std::vector<std::string> sequenceNamesInRoot(const std::string& root);

// The sequence the root's preferences choose and whether they turn the extension on, read as
// the extension reads them (a missing or refused list gives the defaults).
struct ChosenSequence {
    std::string name;
    bool enabled{false};
    // The folder the name names inside the sequence folder, written plainly ("./pulse/" names
    // "pulse"); empty when the name names no sequence.
    std::string folderName;
    // Whether the root holds that folder, so that the name plays.
    bool exists{false};
};
ChosenSequence chosenSequence(const std::string& root);

} // namespace velorin::tools
