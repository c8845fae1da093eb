#include "UserSettingsFiles.h"

#include "xml/PlainXml.h"

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

bool isSpace (char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view afterSpace (std::string_view text)
{
    while (! text.empty() && isSpace (text.front()))
        text.remove_prefix (1);

    return text;
}

// The quoted value of an attribute in the text of a tag.
std::optional<std::string_view> attributeIn (std::string_view tag, std::string_view attribute)
{
    for (auto at = tag.find (attribute); at != std::string_view::npos; at = tag.find (attribute, at + 1))
    {
        if (at == 0 || ! isSpace (tag[at - 1]))
            continue;

        auto rest = afterSpace (tag.substr (at + attribute.size()));

        if (rest.empty() || rest.front() != '=')
            continue;

        rest = afterSpace (rest.substr (1));

        if (rest.empty() || (rest.front() != '"' && rest.front() != '\''))
            continue;

        const auto close = rest.find (rest.front(), 1);

        if (close != std::string_view::npos)
            return rest.substr (1, close - 1);
    }

    return std::nullopt;
}

juce::String fromUtf8 (std::string_view text)
{
    return PlainXml::isValidUtf8 (text.data(), text.size()) ? juce::String::fromUTF8 (text.data(), (int) text.size())
                                                            : juce::String();
}

// The keys among `keys` that a whole tag <VALUE name="key" val="..."> in the file turns off,
// read without the framework's parser, through the whole file however long it is. A value is
// off unless it plainly reads as a number other than 0, as the checker reads it. This only ever
// keeps a choice off, so text that merely looks like such a tag (in a comment, say) can do no
// more than that.
juce::StringArray optOutsStatedIn (const juce::File& file, const juce::StringArray& keys, bool ignoreCase)
{
    constexpr size_t pieceBytes = 1 << 20;
    constexpr size_t longestTagKept = 1 << 16; // far beyond any tag the settings file writes
    const std::string_view open ("<VALUE");
    juce::StringArray off;
    juce::FileInputStream in (file);
    std::string text;
    std::vector<char> piece (pieceBytes);

    while (in.openedOk() && ! in.isExhausted())
    {
        const auto read = in.read (piece.data(), (int) piece.size());

        if (read <= 0)
            break;

        text.append (piece.data(), (size_t) read);
        const std::string_view all (text);

        for (auto start = all.find (open); start != std::string_view::npos; start = all.find (open, start + 1))
        {
            // A tag ends at the first '>' and holds no '<': so no text is read for two tags, and
            // a file of nothing but openings is read once, not once for each.
            const auto end = all.find_first_of ("<>", start + open.size());

            if (end == std::string_view::npos)
                break;

            const auto tag = all.substr (start + open.size(), end - start - open.size());

            if (all[end] == '<' || tag.empty() || ! isSpace (tag.front()))
                continue;

            const auto name = attributeIn (tag, "name");
            const auto value = attributeIn (tag, "val");

            if (! name || ! value)
                continue;

            const auto key = fromUtf8 (*name);
            const bool readsOn = value->find ('&') == std::string_view::npos && fromUtf8 (*value).getIntValue() != 0;

            if (key.isNotEmpty() && keys.contains (key, ignoreCase) && ! readsOn)
                off.addIfNotAlreadyThere (key, ignoreCase);
        }

        // A tag may go on in the next piece: the text from the last '<' is read again with it.
        const auto last = all.rfind ('<');
        text = last != std::string_view::npos && all.size() - last <= longestTagKept ? text.substr (last) : std::string();
    }

    return off;
}

// Replaces a file that the framework cannot read safely, at once, by one holding only these
// choices, off, so that they stay on disk. A file that cannot be replaced is deleted, and where
// not even that works the settings live in memory only.
juce::File replaceWithOptOuts (const juce::File& file, const juce::StringArray& keys, const juce::PropertiesFile::Options& o)
{
    juce::TemporaryFile replacement (file);

    {
        juce::PropertiesFile written (replacement.getFile(), o);

        for (const auto& key : keys)
            written.setValue (key, "0");

        if (written.save() && replacement.overwriteTargetFileWithTemporary())
            return file;
    }

    return file.deleteFile() ? file : juce::File();
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
    juce::StringArray statedOff;

    if (file.existsAsFile() && readText (file, text, whole) && ! parsesSafely (text, whole))
    {
        statedOff = optOutsStatedIn (file, optOutKeys, o.ignoreCaseOfKeyNames);
        file = ownFile ? replaceWithOptOuts (file, statedOff, o) : juce::File();
    }

    auto props = std::make_unique<juce::PropertiesFile> (file, o);

    for (const auto& key : statedOff)
        props->setValue (key, "0");

    keepOnlySafeValues (*props);

    // The user's own file is mended at once, as a replaced one is, so that no unsafe value waits
    // on disk for the next save. The all-users file is only ever read.
    if (ownFile)
        props->saveIfNeeded();
    else
        props->setNeedsToBeSaved (false);

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

std::unique_ptr<juce::PropertiesFile> UserSettingsFiles::openUserFile() const
{
    auto o = options;
    o.commonToAllUsers = false;
    return openSettingsFile (locationFor (o, false), o, true);
}

void UserSettingsFiles::openFiles()
{
    auto o = options;

    if (userProps == nullptr)
        userProps = openUserFile();

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

juce::PropertiesFile* UserSettingsFiles::reloadUserSettings()
{
    if (userProps == nullptr)
    {
        openFiles();
        return userProps.get();
    }

    // Into the same object: callers may hold it. It then matches the disk, so it has nothing
    // of its own to save, and no stale copy of it can be written later.
    const auto onDisk = openUserFile();
    userProps->clear();
    userProps->addAllPropertiesFrom (*onDisk);
    userProps->setNeedsToBeSaved (false);
    return userProps.get();
}

bool UserSettingsFiles::writeUserValues (const juce::StringPairArray& values)
{
    auto* user = reloadUserSettings();

    for (int i = 0; i < values.size(); ++i)
        user->setValue (values.getAllKeys()[i], values.getAllValues()[i]);

    return user->saveIfNeeded();
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
