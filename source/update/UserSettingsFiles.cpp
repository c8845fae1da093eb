#include "UserSettingsFiles.h"

#include <cstdlib>

UserSettingsFiles::UserSettingsFiles (const juce::PropertiesFile::Options& storageOptions)
    : options (storageOptions)
{
}

UserSettingsFiles::~UserSettingsFiles()
{
    closeFiles();
}

juce::File UserSettingsFiles::userConfigFolder()
{
    // The freedesktop rule: $XDG_CONFIG_HOME when it holds an absolute path, else ~/.config.
    // JUCE 7 reads only ~/.config/user-dirs.dirs, which never names the config folder.
    if (const auto* configHome = std::getenv ("XDG_CONFIG_HOME"))
    {
        const auto path = juce::String::fromUTF8 (configHome);

        // Relative values are to be ignored; JUCE would also take "~" as absolute.
        if (path.startsWithChar ('/'))
            return juce::File (path);
    }

    return juce::File::getSpecialLocation (juce::File::userHomeDirectory).getChildFile (".config");
}

juce::File UserSettingsFiles::locationFor (const juce::PropertiesFile::Options& o, bool commonToAllUsers)
{
   #if JUCE_LINUX || JUCE_BSD
    const auto base = commonToAllUsers ? juce::File::getSpecialLocation (juce::File::commonApplicationDataDirectory)
                                       : userConfigFolder();
    const auto folder = base.getChildFile (o.folderName.isNotEmpty() ? o.folderName : o.applicationName);
    return folder.getChildFile (o.applicationName + "." + o.filenameSuffix.trimCharactersAtStart ("."));
   #else
    auto withScope = o;
    withScope.commonToAllUsers = commonToAllUsers;
    return withScope.getDefaultFile();
   #endif
}

void UserSettingsFiles::openFiles()
{
    auto o = options;

    if (userProps == nullptr)
    {
        o.commonToAllUsers = false;
        userProps = std::make_unique<juce::PropertiesFile> (locationFor (o, false), o);
    }

    if (commonProps == nullptr)
    {
        o.commonToAllUsers = true;
        commonProps = std::make_unique<juce::PropertiesFile> (locationFor (o, true), o);
    }

    userProps->setFallbackPropertySet (commonProps.get());
}

juce::PropertiesFile* UserSettingsFiles::getUserSettings()
{
    if (userProps == nullptr)
        openFiles();

    return userProps.get();
}

juce::PropertiesFile* UserSettingsFiles::getCommonSettings()
{
    if (commonProps == nullptr)
        openFiles();

    return commonProps.get();
}

bool UserSettingsFiles::saveIfNeeded()
{
    const bool userSaved = userProps == nullptr || userProps->saveIfNeeded();
    const bool commonSaved = commonProps == nullptr || commonProps->saveIfNeeded();
    return userSaved && commonSaved;
}

void UserSettingsFiles::closeFiles()
{
    // The user file falls back on the common one, so it goes first.
    userProps.reset();
    commonProps.reset();
}
