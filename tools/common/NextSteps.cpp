#include "tools/common/NextSteps.h"

#include "settings/Settings.h"
#include "tools/common/PreferenceListReading.h"

#include <algorithm>

namespace velorin::tools {

namespace {

bool isSafeInShell(char character) {
    return (character >= 'a' && character <= 'z') || (character >= 'A' && character <= 'Z') ||
           (character >= '0' && character <= '9') ||
           std::string_view("._/-+=:,@%").find(character) != std::string_view::npos;
}

std::string prefsSet(const char* key, const std::string& value, const std::string& givenRoot) {
    std::string command = "  velorin-sim prefs set " + std::string(key) + " " + shellWord(value);
    if (!givenRoot.empty())
        command += " --root " + shellWord(givenRoot);
    return command + "\n";
}

} // namespace

std::string shellWord(const std::string& word) {
    if (!word.empty() && std::all_of(word.begin(), word.end(), isSafeInShell))
        return word;
    std::string quoted = "'";
    for (char character : word)
        quoted += character == '\'' ? std::string("'\\''") : std::string(1, character);
    return quoted + "'";
}

std::string nextStepsInRoot(const std::string& root, const std::string& givenRoot,
                            const std::string& name) {
    Settings settings = readRootSettings(root);
    const bool chosen = settings.sequenceName == name;
    const std::string turnOn = prefsSet(enabledPreferenceKey, "true", givenRoot);
    if (chosen && settings.enabled)
        return "It is the chosen sequence, and the extension is on.\n";
    if (chosen)
        return "It is the chosen sequence, but the extension is off; turn it on with:\n" + turnOn;
    std::string text = "It is not the chosen sequence (the preferences choose " +
                       settings.sequenceName + "); choose it with:\n" +
                       prefsSet(sequenceNamePreferenceKey, name, givenRoot);
    if (!settings.enabled)
        text += "and, as the extension is off, turn it on with:\n" + turnOn;
    return text;
}

std::string nextStepsOutsideRoot(const std::string& folder) {
    return "It is in no device root; install it and choose it with:\n  velorin-sim install " +
           shellWord(folder) + " --select\n";
}

} // namespace velorin::tools
