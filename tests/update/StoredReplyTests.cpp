// What the checker stores must come back whole at the next opening, and the user's opt-out must
// survive whatever the checker, another instance or a stale copy writes.

#include "LoopbackHttpServer.h"
#include "UpdateTestSupport.h"

#include <random>

namespace
{
// A reply's JSON string literal for these code units, each escaped as \uXXXX the way common
// JSON writers emit text beyond ASCII.
std::string escapedJson (const std::vector<uint32_t>& units)
{
    std::string out;
    char buffer[8];
    for (const auto u : units)
    {
        std::snprintf (buffer, sizeof buffer, "\\u%04x", (unsigned) u);
        out += buffer;
    }
    return out;
}

// Stores a reply as the checker does when its request returns.
void storeReply (UpdateChecker& checker, const juce::String& body)
{
    const auto announcement = parseReleaseAnnouncement (body);
    ASSERT_TRUE (announcement.version.isNotEmpty());
    UpdateChecker::ResultCallback { juce::WeakReference<UpdateChecker> (&checker), announcement.version,
                                    announcement.url, announcement.notes }();
}

class StoredReplies : public UpdateCheckerTest
{
protected:
    // The keys a fresh opening of the user's file reads.
    static juce::StringPairArray readByTheNextOpening()
    {
        UserSettingsFiles files (updateSettingsOptions(), { updatekeys::checkEnabled });
        return files.getUserSettings()->getAllProperties();
    }
};
} // namespace

TEST_F (StoredReplies, SurrogatesBecomeCharacters)
{
    const struct { const char* escaped; juce::juce_wchar expected; } cases[] {
        { "\\ud83c\\udf89", 0x1f389 }, // a pair: the one character
        { "\\ud83c", 0xfffd },          // a high half alone
        { "\\udf89", 0xfffd },          // a low half alone
        { "\\udf89\\ud83c", 0xfffd },   // the halves the wrong way round: two replacements
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.escaped);
        const auto notes = parseReleaseAnnouncement (juce::String (R"({"version":"0.2.0","notes":"a)") + c.escaped + "b\"}").notes;
        ASSERT_GE (notes.length(), 3);
        EXPECT_EQ (notes[0], (juce::juce_wchar) 'a');
        EXPECT_EQ (notes[1], c.expected);
        EXPECT_EQ (notes.getLastCharacter(), (juce::juce_wchar) 'b');
        for (auto p = notes.getCharPointer(); ! p.isEmpty(); ++p)
            EXPECT_FALSE (*p >= 0xd800 && *p <= 0xdfff);
    }
}

// Random notes drawn from every kind of character, stored through the real save and read by
// the real opening: every key comes back, and the next opening contacts no server.
TEST_F (StoredReplies, EveryKindOfCharacterSurvivesTheSaveAndTheNextOpening)
{
    const std::vector<std::pair<uint32_t, uint32_t>> kinds {
        { 0x01, 0x1f }, { 0x20, 0x7e }, { 0x7f, 0xa0 }, { 0xa1, 0x24f }, { 0x2000, 0x206f }, { 0x3000, 0x9fff },
        { 0xd800, 0xdbff }, { 0xdc00, 0xdfff }, { 0xe000, 0xf8ff }, { 0xfdd0, 0xfdef }, { 0xfff0, 0xffff },
        { '<', '<' }, { '>', '>' }, { '&', '&' }, { '"', '"' }, { '\'', '\'' }, { '?', '?' }, { '!', '!' },
    };
    std::mt19937 random (20261211);

    for (int round = 0; round < 60; ++round)
    {
        SCOPED_TRACE ("round " + std::to_string (round));
        std::vector<uint32_t> units;
        const auto length = std::uniform_int_distribution<int> (1, 200) (random);
        for (int i = 0; i < length; ++i)
        {
            const auto& [low, high] = kinds[std::uniform_int_distribution<size_t> (0, kinds.size() - 1) (random)];
            units.push_back (std::uniform_int_distribution<uint32_t> (low, high) (random));
        }

        settingsFile().deleteFile();
        writeSettings ({ { updatekeys::checkEnabled, "1" }, { updatekeys::lastCheckMs, juce::String (juce::Time::currentTimeMillis()) } });
        const auto body = juce::String (R"({"version":"0.2.0","url":"https://kovalin.example/dl","notes":")") + escapedJson (units) + "\"}";
        const auto stored = parseReleaseAnnouncement (body).notes;

        {
            UpdateChecker checker ("0.1.0");
            storeReply (checker, body);
        }

        ASSERT_TRUE (UserSettingsFiles::isSafeToRead (settingsFile()));
        const auto read = readByTheNextOpening();
        EXPECT_EQ (read[updatekeys::checkEnabled], juce::String ("1"));
        EXPECT_TRUE (read[updatekeys::lastCheckMs].isNotEmpty());
        EXPECT_EQ (read[updatekeys::latestVersion], juce::String ("0.2.0"));
        EXPECT_EQ (read[updatekeys::latestUrl], juce::String ("https://kovalin.example/dl"));
        if (UserSettingsFiles::isSafeValue (stored))
            EXPECT_EQ (read[updatekeys::latestNotes], stored);
    }
}

// Long notes are cut so that the file, however escaped, stays far below the read limit; an
// opt-out written after them is still read.
TEST_F (StoredReplies, LongNotesKeepTheFileSmallAndTheOptOutRead)
{
    const auto accented = juce::String::repeatedString (juce::String::charToString (0xe9), 200000);
    const auto astral = juce::String::repeatedString (juce::String::charToString (0x10fffd), 200000);

    for (const auto& notes : { accented, astral })
    {
        settingsFile().deleteFile();
        {
            UpdateChecker checker ("0.1.0");
            storeReply (checker, R"({"version":"0.2.0","notes":")" + notes + "\"}");

            juce::StringPairArray off;
            off.set (updatekeys::checkEnabled, "0");
            checker.settings.writeUserValues (off);
        }

        EXPECT_LT (settingsFile().getSize(), UserSettingsFiles::maxFileBytes / 4);
        const auto read = readByTheNextOpening();
        EXPECT_EQ (read[updatekeys::checkEnabled], juce::String ("0"));
        EXPECT_EQ (read[updatekeys::latestNotes].length(), maxStoredNotesLength);
    }
}

// A file too large to read, whose opt-out stands beyond the first megabyte (or across the edge
// of a piece the scan reads): the opt-out is kept.
TEST_F (StoredReplies, AnOptOutAnywhereInAnOversizedFileIsKept)
{
    for (const auto before : { (juce::int64) UserSettingsFiles::maxFileBytes + 100, (juce::int64) (1 << 20) - 20, (juce::int64) 3 << 20 })
    {
        SCOPED_TRACE (before);
        settingsFile().getParentDirectory().createDirectory();
        juce::String text ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<PROPERTIES>\n<VALUE name=\"filler\" val=\"");
        text += juce::String::repeatedString ("x", (int) before - text.length());
        text += "\"/>\n<VALUE name=\"updateCheckEnabled\" val=\"0\"/>\n</PROPERTIES>\n";
        ASSERT_TRUE (settingsFile().replaceWithText (text));

        EXPECT_EQ (readByTheNextOpening()[updatekeys::checkEnabled], juce::String ("0"));
    }
}

// Two instances: one opened the file before the user turned checks off in the other. Whatever
// the first then writes keeps the opt-out, and its next check asks no server.
TEST_F (StoredReplies, AStaleCopyNeverUndoesTheOptOut)
{
    LoopbackHttpServer server ([] (const LoopbackHttpServer::Connection& c) {
        c.send (LoopbackHttpServer::response (200, R"({"version":"0.2.0","notes":"n"})"));
    });
    setUpdateUrl (server.address ("/latest"));
    writeSettings ({ { updatekeys::checkEnabled, "1" }, { updatekeys::lastCheckMs, "0" } });

    UpdateChecker stale ("0.1.0");
    ASSERT_TRUE (stale.settings.getUserSettings()->getBoolValue (updatekeys::checkEnabled, true));

    {
        UpdateChecker other ("0.1.0");
        juce::StringPairArray off;
        off.set (updatekeys::checkEnabled, "0");
        other.settings.writeUserValues (off);
    }

    storeReply (stale, R"({"version":"0.2.0","notes":"later"})");
    EXPECT_EQ (storedSettings()[updatekeys::checkEnabled], juce::String ("0"));

    stale.checkIfDue();
    EXPECT_FALSE (stale.isThreadRunning());
    EXPECT_TRUE (server.requestTargets().empty());
    EXPECT_EQ (storedSettings()[updatekeys::checkEnabled], juce::String ("0"));
    EXPECT_EQ (storedSettings()[updatekeys::latestNotes], juce::String ("later"));
}
