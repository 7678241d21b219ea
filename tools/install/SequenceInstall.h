// Putting a sequence folder into a device root, whole or not at all.
//
// The folder is copied by the one copy rule for sequence folders (sim/PrivateCopy.h), except
// that resource-fork files ("._frame1.png") are left out on purpose: on a device they would be
// listed as frames, set the prefix length when listed first, and fail to decode. Before
// anything is written the folder is judged as `check` judges it, without those files: one
// whose frames would play in another order than the natural order of their names, for some
// name the device may list first, or whose frames all read one key so that the listing alone
// orders them, is refused unless forced. The copy is staged beside its
// destination and moved into place by one rename (see tools/common/StagedSequence.h); an
// existing sequence of the name is refused unless replacing. Choosing it goes through the
// preferences' locked writer and sets the sequence and the extension's switch together; when
// that write fails, the installed sequence is taken out again and a replaced one put back.
// The source folder is only read.
#pragma once

#include "common/FileCopy.h"
#include "common/Interruption.h"
#include "common/Result.h"
#include "tools/check/CheckReport.h"
#include "tools/common/SequenceArgument.h"
#include "tools/common/StagedSequence.h"

#include <optional>
#include <string>

namespace velorin::tools {

enum class ChoiceAfterInstall { Leave, Choose };
enum class OrderCheck { Refuse, Force };

struct InstallRequest {
    // A folder, or a sequence of the root, by the tools' one rule.
    std::string source;
    // The name in the root; empty for the folder's own.
    std::string name;
    // Empty for the user's own root.
    std::string root;
    ExistingSequence existing{ExistingSequence::Refuse};
    ChoiceAfterInstall choice{ChoiceAfterInstall::Leave};
    OrderCheck order{OrderCheck::Refuse};
};

struct InstalledSequence {
    std::string name;
    std::string root;
    std::string folder;
    // The check of what was installed.
    CheckReport report;
    std::size_t resourceForksLeftOut{0};
    bool replaced{false};
    bool chosen{false};
    // Something the user should know that did not stop the install.
    std::optional<std::string> note;
};

// The sequence judged as the device would play it once installed: a fault when it holds no
// frame, or when its frames may play in another order than their names (check's order errors)
// and that is not overridden; the fault gives the order that plays when listed by name, the
// reasons and how to rename the frames.
common::Result<CheckReport> judgeForInstall(const SequenceArgument& source, OrderCheck order);

// Copies a sequence by the copy rule, without resource-fork files, into the open folder
// `target`, as install puts it into a root (and pack into a package).
common::Result<void> copySequenceAsInstalled(const SequenceArgument& source, int target,
                                             common::CopyAllowance& allowance,
                                             const common::InterruptionCheck& interrupted);

// The same into the folder `staged` stages beside the sequences folder `parent`, which bounds
// the copy by its free space.
common::Result<void> copyIntoStagedSequence(const SequenceArgument& source,
                                            const StagedSequence& staged, const std::string& parent,
                                            const common::InterruptionCheck& interrupted);

common::Result<InstalledSequence> installSequence(const InstallRequest& request,
                                                  const common::InterruptionCheck& interrupted);

} // namespace velorin::tools
