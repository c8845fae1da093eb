#include "UserSettingsFiles.h"

UserSettingsFiles::UserSettingsFiles (const juce::PropertiesFile::Options& storageOptions)
    : options (storageOptions)
{
}

UserSettingsFiles::~UserSettingsFiles()
{
    closeFiles();
}

juce::File UserSettingsFiles::locationFor (const juce::PropertiesFile::Options& o, bool commonToAllUsers)
{
   #if JUCE_LINUX || JUCE_BSD
    const auto base = juce::File::getSpecialLocation (commonToAllUsers ? juce::File::commonApplicationDataDirectory
                                                                       : juce::File::userApplicationDataDirectory);
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
