// velorin-sim pack: makes a package (".deb") of one or more sequences that the device's package
// manager installs.
//
// Every value is checked, and every sequence judged as check judges it, before anything is
// written; the package appears whole at its name or not at all. An interruption (SIGINT or
// SIGTERM) stops it between files, removes what it had made and ends with the usual status for
// that signal (130 or 143).
#include "common/ByteCount.h"
#include "tools/common/Commands.h"
#include "tools/common/FaultReport.h"
#include "tools/common/InterruptionWatch.h"
#include "tools/common/NearestName.h"
#include "tools/common/TerminalColour.h"
#include "tools/pack/SequencePack.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>

namespace velorin::tools {

namespace {

// How the package reaches a phone, for `pack --help` and the end of a pack.
constexpr const char* toThePhone =
    "To put the package on a phone: open it with the phone's package manager (Sileo or Zebra: "
    "install from a file, or add it to your repository), or copy it over SSH and install it "
    "with dpkg:\n"
    "  scp PACKAGE.deb mobile@PHONE:/var/mobile/\n"
    "  ssh mobile@PHONE sudo dpkg -i /var/mobile/PACKAGE.deb\n"
    "Then choose the sequence in Velorin's settings (the batteryanimation preference).\n"
    "velorin-sim install PACKAGE.deb tries a package on your simulated root first.";

struct PackArguments {
    PackRequest request;
    std::string sequence;
    std::vector<std::string> added;
    std::string compression{"xz"};
    bool replace{false};
    bool force{false};
};

int runPack(PackArguments& arguments) {
    PackRequest request = arguments.request;
    request.sequences.push_back(arguments.sequence);
    request.sequences.insert(request.sequences.end(), arguments.added.begin(),
                             arguments.added.end());
    if (arguments.compression == "xz")
        request.compression = PackageCompression::Xz;
    else if (arguments.compression == "gzip")
        request.compression = PackageCompression::Gzip;
    else
        return report(common::Fault{"--compression " + arguments.compression,
                                    "expected xz or gzip" +
                                        didYouMean(arguments.compression, {"xz", "gzip"})});
    request.existing =
        arguments.replace ? common::ExistingFile::Replace : common::ExistingFile::Refuse;
    request.errors = arguments.force ? CheckErrors::Force : CheckErrors::Refuse;
    InterruptionWatch watch;
    auto packed = packSequences(request, watch.check());
    if (!packed && watch.received())
        return watch.reportInterruption();
    if (!packed)
        return report(packed.fault());
    const PackOutcome& outcome = packed.value();
    std::string names;
    for (const std::string& name : outcome.sequenceNames)
        names += (names.empty() ? "" : ", ") + name;
    std::printf("Packed %s %s (%s) into %s: %s (%zu files, %s)\n",
                outcome.control.identifier.c_str(), outcome.control.version.c_str(),
                outcome.control.architecture.c_str(), outcome.file.c_str(), names.c_str(),
                outcome.files, common::describeByteCount(outcome.bytes).c_str());
    for (const std::string& note : outcome.notes)
        printNote(note);
    std::printf("%s\n", toThePhone);
    return 0;
}

} // namespace

CommandRun addPackOptions(CLI::App& command) {
    auto arguments = std::make_shared<PackArguments>();
    PackRequest& request = arguments->request;
    PackageControl& control = request.control;
    command
        .add_option("SEQUENCE", arguments->sequence,
                    "A sequence folder (an argument holding a \"/\" or naming a folder here), "
                    "or a sequence of the root")
        ->required();
    command.add_option("--add", arguments->added, "Another sequence for the same package")
        ->take_all();
    command.add_option("--root", request.root,
                       "Device root for sequences named (default: your own)");
    command.add_option("--id", control.identifier,
                       "The package's identifier, reverse-DNS: com.example.pulse "
                       "(default: local.velorin.NAME)");
    command.add_option("--name", control.name,
                       "The name the package manager shows (default: the sequences' names)");
    command.add_option("--version", control.version,
                       "The package's version, as Debian writes versions (default: 1.0)");
    command.add_option("--author", control.author,
                       "\"Name <address>\", its Maintainer and Author (default: from "
                       "DEBFULLNAME and DEBEMAIL)");
    command.add_option("--description", control.description, "One line that says what it is");
    command.add_option("--section", control.section,
                       "The package manager's section (default: Themes)");
    command.add_option("--depends", control.depends, "Packages it needs (default: none)");
    command.add_option("--arch", control.architecture,
                       "Architecture (default: all, since the package holds no code)");
    command.add_option("--compression", arguments->compression, "xz (default) or gzip");
    command.add_option("--out", request.out,
                       "The package file, or a folder for ID_VERSION_ARCH.deb (default: here)");
    command.add_flag("--replace", arguments->replace, "Replace an existing package file");
    command.add_flag("--force", arguments->force, "Pack sequences that check finds errors in");
    command.footer(toThePhone);
    return [arguments] { return runPack(*arguments); };
}

} // namespace velorin::tools
