#include "UserSettingsFiles.h"

#include "xml/PlainXml.h"

#include <cstdlib>
#include <cstring>

namespace
{
// A settings file stores a value's markup inside its PROPERTIES and VALUE elements.
constexpr int fileNestingDepth = UserSettingsFiles::maxNestingDepth + 2;

// The text the framework's XML reader parses: the file up to its first zero byte, read here up
// to maxFileBytes. `whole` tells whether the file was no longer. False when it cannot be read.
bool readText (const juce::File& file, juce::MemoryBlock& text, bool& whole)
{
    juce::FileInputStream in (file);

    if (! in.openedOk())
        return false;

    in.readIntoMemoryBlock (text, UserSettingsFiles::maxFileBytes);
    whole = in.isExhausted();

    if (const auto* zero = std::memchr (text.getData(), 0, text.getSize()))
        text.setSize ((size_t) (static_cast<const char*> (zero) - static_cast<const char*> (text.getData())));

    return true;
}

bool parsesSafely (const juce::MemoryBlock& text, bool whole)
{
    const auto* bytes = static_cast<const char*> (text.getData());
    return whole && PlainXml::isValidUtf8 (bytes, text.getSize())
        && PlainXml::isPlainMarkup (bytes, text.getSize(), fileNestingDepth);
}

// Whether the parser may skip this character as white space. It asks iswspace, whose answer
// depends on the locale the host has set, so every character that some locale counts as space,
// and every control character, is taken as one.
bool maySkipAsSpace (juce::juce_wchar c)
{
    if ((c > 0 && c <= 0x20) || (c >= 0x7f && c <= 0xa0) || (c >= 0x2000 && c <= 0x200b))
        return true;

    switch (c)
    {
        case 0x1680: case 0x180e: case 0x2028: case 0x2029: case 0x202f: case 0x205f: case 0x3000: case 0xfeff:
            return true;
        default:
            return juce::CharacterFunctions::isWhitespace (c);
    }
}

// Whether parseXML (String) reads markup from this text, an element or a document type. It
// first skips white space, comments and processing instructions (the XML declaration is one),
// and gives up when one of these is never closed; unless what follows starts with '<', it then
// returns at once, having followed nothing.
bool parserReadsMarkupIn (const juce::String& text)
{
    for (auto p = text.getCharPointer();;)
    {
        while (maySkipAsSpace (*p))
            ++p;

        const bool comment = p.compareUpTo (juce::CharPointer_ASCII ("<!--"), 4) == 0;

        if (! comment && p.compareUpTo (juce::CharPointer_ASCII ("<?"), 2) != 0)
            return *p == '<';

        p += comment ? 4 : 2;
        const auto close = p.indexOf (juce::CharPointer_ASCII (comment ? "-->" : "?>"));

        if (close < 0)
            return false;

        p += close + (comment ? 3 : 2);
    }
}
} // namespace

UserSettingsFiles::UserSettingsFiles (const juce::PropertiesFile::Options& storageOptions, juce::StringArray keys)
    : options (storageOptions), optOutKeys (std::move (keys))
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

bool UserSettingsFiles::isSafeToRead (const juce::File& file)
{
    juce::MemoryBlock text;
    bool whole = false;

    if (! file.existsAsFile() || ! readText (file, text, whole))
        return true; // the settings file cannot read it either

    if (! parsesSafely (text, whole))
        return false;

    // Safe to parse now. Read as the settings file reads it, in any of its forms: every value it
    // would keep must survive the next save too.
    juce::PropertiesFile::Options readOnly;
    readOnly.doNotSave = true;
    readOnly.millisecondsBeforeSaving = -1;
    juce::PropertiesFile props (file, readOnly);

    for (const auto& value : props.getAllProperties().getAllValues())
        if (! isSafeValue (value))
            return false;

    return true;
}

bool UserSettingsFiles::isSafeValue (const juce::String& value)
{
    // Text the parser gives up on at once is kept as it is. Markup is kept as elements: it must be
    // plain, or too short for the parser to nest deep (one element per '<'), with no "<?" to loop
    // on and no "<!" to declare anything.
    if (! parserReadsMarkupIn (value))
        return true;

    const auto* text = value.toRawUTF8();
    if (PlainXml::isPlainMarkup (text, std::strlen (text), maxNestingDepth))
        return true;

    int opened = 0;
    for (auto p = value.getCharPointer(); ! p.isEmpty(); ++p)
        if (*p == '<')
            ++opened;

    return opened <= maxNestingDepth && ! value.contains ("<?") && ! value.contains ("<!");
}

std::unique_ptr<juce::PropertiesFile> UserSettingsFiles::openSettingsFile (juce::File file, const juce::PropertiesFile::Options& o,
                                                                           bool ownFile) const
{
    juce::MemoryBlock text;
    bool whole = false;

    // A file that is not safe to parse is not read. The user's own is dropped, as one that does
    // not parse would be, and written afresh at the next save.
    if (file.existsAsFile() && readText (file, text, whole) && ! parsesSafely (text, whole))
        if (! ownFile || ! file.deleteFile())
            file = juce::File(); // kept in memory only

    auto props = std::make_unique<juce::PropertiesFile> (file, o);
    keepOnlySafeValues (*props);

    if (! ownFile)
        props->setNeedsToBeSaved (false); // the all-users file is only ever read

    return props;
}

void UserSettingsFiles::keepOnlySafeValues (juce::PropertiesFile& props) const
{
    // Copies, as dropping a value changes the originals.
    const auto keys = props.getAllProperties().getAllKeys();
    const auto values = props.getAllProperties().getAllValues();

    for (int i = 0; i < keys.size(); ++i)
    {
        if (isSafeValue (values[i]))
            continue;

        // An opt-out keeps the choice it reads as, so that no damaged value turns it back on.
        if (optOutKeys.contains (keys[i], options.ignoreCaseOfKeyNames))
            props.setValue (keys[i], values[i].getIntValue() != 0 ? "1" : "0");
        else
            props.removeValue (keys[i]);
    }
}

void UserSettingsFiles::openFiles()
{
    auto o = options;

    if (userProps == nullptr)
    {
        o.commonToAllUsers = false;
        userProps = openSettingsFile (locationFor (o, false), o, true);
    }

    if (commonProps == nullptr)
    {
        o.commonToAllUsers = true;
        commonProps = openSettingsFile (locationFor (o, true), o, false);
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
