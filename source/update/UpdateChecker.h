#pragma once

#include "update/UserSettingsFiles.h"

#include <juce_events/juce_events.h>

// Keys of the per-user settings file; the checker keeps nothing else there.
namespace updatekeys
{
inline constexpr const char* checkEnabled = "updateCheckEnabled";     // "1" or "0", on when absent
inline constexpr const char* lastCheckMs = "updateLastCheckMs";       // ms since 1970, 0 when absent
inline constexpr const char* latestVersion = "updateLatestVersion";
inline constexpr const char* latestUrl = "updateLatestUrl";
inline constexpr const char* latestNotes = "updateLatestNotes";
} // namespace updatekeys

// -1 when version a is older than b, 0 when equal, 1 when newer. Dot-separated numbers; a
// missing part or one without a leading number counts 0, so "1.2" equals "1.2.0" and "2rc1" is 2.
int compareVersions (const juce::String& a, const juce::String& b);

// Where the check asks: SABREL_UPDATE_URL whenever that variable exists, even empty, else the
// vendor's update endpoint.
juce::String updateBaseAddress();

// A check is due when none was made yet (last is 0) or a whole day has passed. A clock set
// back before the last check keeps waiting.
bool isUpdateCheckDue (juce::int64 nowMs, juce::int64 lastCheckMs);

// The base address with the query keys v, os and fmt appended in that order, values escaped.
juce::String updateRequestAddress (const juce::String& baseAddress, const juce::String& version,
                                   const juce::String& pluginFormat);

// What the update endpoint announces, as valid Unicode (asValidUnicode). Fields the reply lacks,
// does not give as strings, or gives as text that the settings file must not store
// (UserSettingsFiles::isSafeValue) are empty, and so is a version longer than
// maxAnnouncedVersionLength. Notes are cut to maxStoredNotesLength characters, so that the
// settings file stays far below its size limit however its save escapes them.
struct ReleaseAnnouncement
{
    juce::String version, url, notes;
};

inline constexpr int maxAnnouncedVersionLength = 64;
inline constexpr int maxStoredNotesLength = 16384;

// The text with every code unit that is no character replaced: a surrogate pair (the form a
// JSON escape gives a character beyond the first 65,536) becomes its one character, a lone
// surrogate or a value beyond U+10FFFF becomes U+FFFD.
juce::String asValidUnicode (const juce::String& text);

ReleaseAnnouncement parseReleaseAnnouncement (const juce::String& replyBody);

// True for an address the checker may store and hand out for download: an https:// address
// with a plain host (no user information), at most maxDownloadUrlLength characters, all of
// them characters a URL holds (no quotes, backticks, '$', spaces, control characters or
// anything beyond ASCII) and every '%' starting an escape. Anything a browser or a shell
// could read otherwise is refused.
bool isAcceptableDownloadUrl (const juce::String& address);

inline constexpr int maxDownloadUrlLength = 2048;

// The storage options of the per-user settings file.
juce::PropertiesFile::Options updateSettingsOptions();

// Asks the vendor's endpoint, at most once a day and on a thread of its own, which release is
// the latest, keeps the answer in the per-user settings file and announces it to the editor.
// Everything but run() belongs to the message thread.
//
// The connection itself lives on a further thread that owns it and everything it touches: a
// name lookup cannot be interrupted, and cancelling a request from outside waits for it. When
// the checker goes, the check thread leaves that request behind to end by itself, so that
// destruction never waits on the network.
class UpdateChecker : public juce::Thread
{
public:
    explicit UpdateChecker (const juce::String& runningVersion);
    ~UpdateChecker() override;

    // Starts a check when checks are on, none is running and a day has passed since the last.
    void checkIfDue();

    // The stored latest version when it is newer than the running one, else empty.
    juce::String getNewerVersion();

    // The stored download address, or the vendor's home page when none is stored.
    juce::String getDownloadUrl();

    void run() override;

    // Carries a result from the check thread to the message thread, where it is stored.
    struct ResultCallback
    {
        juce::WeakReference<UpdateChecker> checker;
        juce::String version, url, notes;

        void operator()() const;
    };

    juce::ChangeBroadcaster broadcaster;
    UserSettingsFiles settings;
    juce::String currentVersion;
    juce::String pluginFormat { "unknown" };

    static constexpr int connectionTimeoutMs = 5000;
    static constexpr int stopWaitMs = 3000;

    // A reply larger than this is no announcement; it is dropped rather than held in memory.
    static constexpr int maxReplyBytes = 1 << 20;

private:
    // Written before the thread starts and read only by it, so a later write of pluginFormat
    // cannot race with the request.
    juce::String requestAddress;
    juce::WeakReference<UpdateChecker> self;

    JUCE_DECLARE_WEAK_REFERENCEABLE (UpdateChecker)
    JUCE_DECLARE_NON_COPYABLE (UpdateChecker)
};
