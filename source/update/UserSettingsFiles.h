#pragma once

#include <juce_data_structures/juce_data_structures.h>

#include <memory>

// The per-user settings file and the all-users file that serves as its fallback, opened on
// first use. It mirrors juce::ApplicationProperties, but places both files in the platform's
// application-data folders: on Linux JUCE 7 would put them in the home folder and in /var.
class UserSettingsFiles
{
public:
    // optOutKeys name on/off choices ("0" is off) that a damaged file must not turn back on.
    explicit UserSettingsFiles (const juce::PropertiesFile::Options& storageOptions, juce::StringArray optOutKeys = {});
    ~UserSettingsFiles();

    // Opens both files. A file the framework's parser cannot read safely (see isSafeToRead) is not
    // read: the user's own is replaced at once by the opt-outs it states plainly, the all-users
    // one is left alone and only its opt-outs are kept, in memory. From a file that is read, a
    // value that is not safe (isSafeValue) is dropped, an opt-out key's kept as the choice it
    // reads as; the rest stays.
    void openFiles();
    juce::PropertiesFile* getUserSettings();
    juce::PropertiesFile* getCommonSettings();

    // Reads the user's file from disk again, as openFiles does, into the settings already handed
    // out, so that a choice made meanwhile in another instance or process is seen.
    juce::PropertiesFile* reloadUserSettings();

    // Reads the user's file from disk again, sets these keys and saves at once: only these keys
    // change, and a choice made elsewhere since this file was read survives. False when the save
    // failed.
    bool writeUserValues (const juce::StringPairArray& values);

    // Saves whichever file has unsaved changes; false when a save failed.
    bool saveIfNeeded();
    void closeFiles();

    const juce::PropertiesFile::Options& getStorageParameters() const noexcept { return options; }

    // Where the file for these options lives, for this user or for all users.
    static juce::File locationFor (const juce::PropertiesFile::Options& storageOptions, bool commonToAllUsers);

    // The folder for per-user configuration on Linux: $XDG_CONFIG_HOME, or ~/.config.
    static juce::File userConfigFolder();

    // True when the file is absent or unreadable, or the framework's XML parser reads it safely
    // and every value it holds is safe (isSafeValue): such a file is read as it is, and survives
    // its next save. Read safely means: well-formed UTF-8, at most maxFileBytes, PlainXml with a
    // value's markup nested up to maxNestingDepth. Anything else never reaches the parser: a
    // self-referencing entity, deep nesting or a processing instruction in a settings file
    // would take the host down.
    static bool isSafeToRead (const juce::File& file);

    // False for a value that the settings file must not store: its save parses every value as
    // XML again, where a processing instruction followed by text loops for ever and deep nesting
    // exhausts the stack. The parser gives up at once, and the value is safe, unless after white
    // space (in any locale's sense), comments and processing instructions it starts with '<'.
    // Such markup must be plain (PlainXml), or hold at most maxNestingDepth '<' and no "<?" or
    // "<!".
    static bool isSafeValue (const juce::String& value);

    static constexpr juce::int64 maxFileBytes = 1 << 20;
    static constexpr int maxNestingDepth = 8;

private:
    std::unique_ptr<juce::PropertiesFile> openSettingsFile (juce::File file, const juce::PropertiesFile::Options& o, bool ownFile) const;
    std::unique_ptr<juce::PropertiesFile> openUserFile() const;
    void keepOnlySafeValues (juce::PropertiesFile& props) const;

    juce::PropertiesFile::Options options;
    juce::StringArray optOutKeys;
    std::unique_ptr<juce::PropertiesFile> userProps, commonProps;

    JUCE_DECLARE_NON_COPYABLE (UserSettingsFiles)
};
