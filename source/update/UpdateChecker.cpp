#include "UpdateChecker.h"

#include "update/ModulePinning.h"
#include "update/VendorWeb.h"

#include <atomic>
#include <memory>
#include <system_error>
#include <thread>

namespace
{
constexpr juce::int64 dayMs = 86400000;
constexpr int maxJsonNesting = 64;

// The platform the module was built for, as the endpoint knows it.
const char* platformName()
{
   #if JUCE_WINDOWS
    return "win";
   #elif JUCE_MAC
    return "mac";
   #elif JUCE_LINUX
    return "linux";
   #else
    return "unknown";
   #endif
}

juce::int64 leadingNumber (const juce::StringArray& tokens, int index)
{
    return index < tokens.size() ? tokens[index].getLargeIntValue() : 0;
}

// JUCE's JSON parser recurses once per nesting level; a hostile reply of nothing but
// brackets would exhaust the check thread's stack.
bool nestsTooDeeply (const juce::String& text)
{
    int depth = 0;
    juce::juce_wchar quote = 0; // the quote that opened the string being scanned, 0 outside strings
    bool escaped = false;

    for (auto p = text.getCharPointer(); ! p.isEmpty(); ++p)
    {
        const auto c = *p;

        if (quote != 0)
        {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == quote)
                quote = 0;
        }
        else if (c == '"' || c == '\'')
        {
            quote = c;
        }
        else if (c == '{' || c == '[')
        {
            if (++depth > maxJsonNesting)
                return true;
        }
        else if (c == '}' || c == ']')
        {
            --depth;
        }
    }

    return false;
}

juce::String stringProperty (const juce::var& object, const char* name)
{
    const auto& value = object[name];
    return value.isString() ? asValidUnicode (value.toString()) : juce::String();
}

// One request, shared by the thread that makes it and the check thread that waits for it; the
// request thread holds it for as long as it runs, so it outlives an abandoning checker.
struct Request
{
    explicit Request (const juce::String& a) : address (a) {}

    const juce::String address;
    std::atomic<bool> abandoned { false };
    juce::String reply; // written by the request thread before it signals finished
    juce::WaitableEvent finished { true };
};

// The whole reply, or nothing when the transfer failed, broke off, grew too large or was abandoned.
juce::String fetchReply (const Request& request)
{
    juce::WebInputStream stream (juce::URL (request.address), false);
    stream.withConnectionTimeout (UpdateChecker::connectionTimeoutMs);

    juce::MemoryOutputStream body;
    bool complete = stream.connect (nullptr);

    while (complete && ! request.abandoned)
    {
        char buffer[8192];
        const auto bytesRead = stream.read (buffer, (int) sizeof (buffer));

        if (bytesRead <= 0)
            break;

        body.write (buffer, (size_t) bytesRead);

        if (body.getDataSize() > (size_t) UpdateChecker::maxReplyBytes)
            complete = false;
    }

    // A transfer that broke off (a connection closed mid-body, too many redirects) yields no
    // reply, even when what arrived happens to parse.
    complete = complete && ! stream.isError() && ! request.abandoned;
    return complete ? body.toString() : juce::String();
}

} // namespace

juce::String asValidUnicode (const juce::String& text)
{
    constexpr juce::juce_wchar replacement = 0xfffd;
    const auto isHigh = [] (juce::juce_wchar c) { return c >= 0xd800 && c <= 0xdbff; };
    const auto isLow = [] (juce::juce_wchar c) { return c >= 0xdc00 && c <= 0xdfff; };

    juce::String result;
    result.preallocateBytes (text.getNumBytesAsUTF8());

    for (auto p = text.getCharPointer(); ! p.isEmpty();)
    {
        const auto c = p.getAndAdvance();

        if (isHigh (c) && isLow (*p))
            result += (juce::juce_wchar) (0x10000 + ((c - 0xd800) << 10) + (p.getAndAdvance() - 0xdc00));
        else if (isHigh (c) || isLow (c) || c > 0x10ffff)
            result += replacement;
        else
            result += c;
    }

    return result;
}

int compareVersions (const juce::String& a, const juce::String& b)
{
    const auto tokensA = juce::StringArray::fromTokens (a, ".", {});
    const auto tokensB = juce::StringArray::fromTokens (b, ".", {});
    const auto count = juce::jmax (tokensA.size(), tokensB.size());

    for (int i = 0; i < count; ++i)
    {
        const auto x = leadingNumber (tokensA, i);
        const auto y = leadingNumber (tokensB, i);

        if (x != y)
            return x < y ? -1 : 1;
    }

    return 0;
}

juce::String updateBaseAddress()
{
    // An existing but empty variable still replaces the vendor's endpoint.
    if (auto* overridden = std::getenv ("SABREL_UPDATE_URL"))
        return juce::String::fromUTF8 (overridden);

    return vendorweb::updateEndpointUrl();
}

bool isUpdateCheckDue (juce::int64 nowMs, juce::int64 lastCheckMs)
{
    // Compared this way round so that no stored value, however corrupt, overflows.
    return lastCheckMs == 0 || lastCheckMs <= nowMs - dayMs;
}

juce::String updateRequestAddress (const juce::String& base, const juce::String& version, const juce::String& pluginFormat)
{
    return juce::URL (base)
        .withParameter ("v", version)
        .withParameter ("os", platformName())
        .withParameter ("fmt", pluginFormat)
        .toString (true);
}

ReleaseAnnouncement parseReleaseAnnouncement (const juce::String& replyBody)
{
    if (nestsTooDeeply (replyBody))
        return {};

    juce::var reply;

    if (juce::JSON::parse (replyBody, reply).failed() || ! reply.isObject())
        return {};

    // Each field goes into the settings file as it is; one that the file must not hold is missing.
    const auto field = [&reply] (const char* name) {
        const auto value = stringProperty (reply, name);
        return UserSettingsFiles::isSafeValue (value) ? value : juce::String();
    };

    const auto version = field ("version");
    return { version.length() <= maxAnnouncedVersionLength ? version : juce::String(), field ("url"),
             field ("notes").substring (0, maxStoredNotesLength) };
}

bool isAcceptableDownloadUrl (const juce::String& address)
{
    static constexpr const char* scheme = "https://";

    if (! address.startsWith (scheme) || address.length() > maxDownloadUrlLength)
        return false;

    const auto isHexDigit = [] (juce::juce_wchar c) { return juce::CharacterFunctions::getHexDigitValue (c) >= 0; };

    for (int i = 0; i < address.length(); ++i)
    {
        const auto c = address[i];

        if (c == '%')
        {
            if (! isHexDigit (address[i + 1]) || ! isHexDigit (address[i + 2]))
                return false;
        }
        else if (! (juce::CharacterFunctions::isLetterOrDigit (c) && c < 128)
                 && ! juce::String ("-._~:/?#[]@!&()*+,;=").containsChar (c))
        {
            return false;
        }
    }

    // The authority: a host name or address, optionally a port; no user information, which
    // only serves to disguise the host.
    const auto rest = address.substring ((int) std::strlen (scheme));
    const auto authority = rest.substring (0, rest.indexOfAnyOf ("/?#") >= 0 ? rest.indexOfAnyOf ("/?#") : rest.length());
    const auto host = authority.upToLastOccurrenceOf (":", false, false);
    const auto port = authority.containsChar (':') ? authority.fromLastOccurrenceOf (":", false, false) : juce::String ("443");

    return host.isNotEmpty() && host.containsOnly ("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.-")
        && ! host.startsWithChar ('.') && ! host.startsWithChar ('-')
        && port.isNotEmpty() && port.containsOnly ("0123456789") && port.length() <= 5
        && juce::URL (address).getDomain() == host;
}

juce::PropertiesFile::Options updateSettingsOptions()
{
    juce::PropertiesFile::Options options;
    options.applicationName = "Sabrel";
    options.filenameSuffix = "settings";
    options.folderName = "kovalin";
    options.osxLibrarySubFolder = "Application Support";
    options.commonToAllUsers = false;
    options.ignoreCaseOfKeyNames = false;
    options.doNotSave = false;
    options.millisecondsBeforeSaving = 3000;
    options.storageFormat = juce::PropertiesFile::storeAsXML;
    options.processLock = nullptr;
    return options;
}

//==============================================================================
UpdateChecker::UpdateChecker (const juce::String& runningVersion)
    : juce::Thread ("Sabrel update check"),
      settings (updateSettingsOptions(), { updatekeys::checkEnabled }),
      currentVersion (runningVersion)
{
}

UpdateChecker::~UpdateChecker()
{
    // run() only waits for its request, and leaves it when asked to exit, so this returns at once.
    stopThread (stopWaitMs);
    masterReference.clear();
}

void UpdateChecker::checkIfDue()
{
    // As it stands on disk now: the user may have turned checks off in another instance.
    auto* user = settings.reloadUserSettings();

    if (! user->getBoolValue (updatekeys::checkEnabled, true))
        return;

    if (isThreadRunning())
        return;

    const auto now = juce::Time::currentTimeMillis();
    const auto last = user->getValue (updatekeys::lastCheckMs).getLargeIntValue();

    if (! isUpdateCheckDue (now, last))
        return;

    // Stored before the request, so a failed one also counts as the day's check.
    juce::StringPairArray checked;
    checked.set (updatekeys::lastCheckMs, juce::String (now));
    settings.writeUserValues (checked);

    requestAddress = updateRequestAddress (updateBaseAddress(), currentVersion, pluginFormat);

    if (self == nullptr)
        self = this;

    startThread();
}

juce::String UpdateChecker::getNewerVersion()
{
    const auto latest = settings.getUserSettings()->getValue (updatekeys::latestVersion);
    return compareVersions (latest, currentVersion) > 0 ? latest : juce::String();
}

juce::String UpdateChecker::getDownloadUrl()
{
    // Checked again on the way out: the all-users file, or a hand-edited user file, may hold anything.
    const auto url = settings.getUserSettings()->getValue (updatekeys::latestUrl);
    return isAcceptableDownloadUrl (url) ? url : vendorweb::homePageUrl();
}

void UpdateChecker::run()
{
    const auto request = std::make_shared<Request> (requestAddress);
    std::thread requestThread;

    try
    {
        requestThread = std::thread ([request] {
            request->reply = fetchReply (*request);
            request->finished.signal();
        });
    }
    catch (const std::system_error&)
    {
        return; // no thread to be had: a failed check, like any other
    }

    while (! request->finished.wait (10))
    {
        if (threadShouldExit())
        {
            // The request goes on running this module's code until it ends.
            modulepin::keepModuleLoaded();
            request->abandoned = true;
            requestThread.detach();
            return;
        }
    }

    // The request thread has nothing left to do but end; joined, so none of it outlives the checker.
    requestThread.join();

    if (threadShouldExit() || request->reply.isEmpty())
        return;

    auto announcement = parseReleaseAnnouncement (request->reply);

    if (announcement.version.isEmpty())
        return;

    juce::MessageManager::callAsync (ResultCallback { self,
                                                      std::move (announcement.version),
                                                      std::move (announcement.url),
                                                      std::move (announcement.notes) });
}

void UpdateChecker::ResultCallback::operator()() const
{
    auto* owner = checker.get();

    if (owner == nullptr)
        return;

    juce::StringPairArray reply;
    reply.set (updatekeys::latestVersion, version);

    // A reply without an address or notes keeps the ones stored earlier, and so does one whose
    // address is not a plain https address.
    if (isAcceptableDownloadUrl (url))
        reply.set (updatekeys::latestUrl, url);

    if (notes.isNotEmpty())
        reply.set (updatekeys::latestNotes, notes);

    owner->settings.writeUserValues (reply);
    owner->broadcaster.sendChangeMessage();
}
