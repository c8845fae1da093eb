#include "LoopbackHttpServer.h"
#include "UpdateTestSupport.h"
#include "support/ParserWatch.h"
#include "support/Watchdog.h"
#include "update/VendorWeb.h"

#include <unistd.h>

#include <iterator>
#include <memory>
#include <random>

namespace
{
struct DamageCase
{
    const char* name;
    std::function<void (const juce::File& settings)> damage;
    bool needsPermissions; // root writes regardless of permissions
};

std::vector<DamageCase> damageCases()
{
    return {
        { "not XML", [] (const juce::File& f) { f.replaceWithText ("\x01\x02 this is { not xml"); }, false },
        { "binary noise", [] (const juce::File& f)
          {
              juce::MemoryBlock noise (4096);
              juce::Random (7).fillBitsRandomly (noise.getData(), noise.getSize());
              f.replaceWithData (noise.getData(), noise.getSize());
          }, false },
        { "wrong root", [] (const juce::File& f)
          {
              f.replaceWithText (R"(<SETTINGS><VALUE name="updateCheckEnabled" val="0"/></SETTINGS>)");
          }, false },
        { "truncated XML", [] (const juce::File& f) { f.replaceWithText (R"(<PROPERTIES><VALUE name="updateCheckEnabled" val=)"); }, false },
        { "a directory in its place", [] (const juce::File& f) { f.createDirectory(); }, false },
        { "folder is a file", [] (const juce::File& f)
          {
              const auto folder = f.getParentDirectory();
              folder.deleteRecursively();
              folder.replaceWithText ("x");
          }, false },
        { "no write permission", [] (const juce::File& f)
          {
              f.replaceWithText ("<PROPERTIES/>");
              f.getParentDirectory().setReadOnly (true, true);
          }, true },
    };
}

class DamagedSettings : public UpdateCheckerTest
{
};

TEST_F (DamagedSettings, CheckerWorksWithDefaults)
{
    for (auto& c : damageCases())
    {
        if (c.needsPermissions && ::geteuid() == 0)
            continue;

        SCOPED_TRACE (c.name);
        auto folder = settingsFile().getParentDirectory();
        folder.setReadOnly (false, true);
        folder.deleteRecursively();
        folder.deleteFile();
        ASSERT_TRUE (folder.createDirectory());
        c.damage (settingsFile());

        LoopbackHttpServer server ([] (const LoopbackHttpServer::Connection& conn)
        {
            conn.send (LoopbackHttpServer::response (200, R"({"version":"0.2.0"})"));
        });
        setUpdateUrl (server.address ("/latest"));

        UpdateChecker checker { "0.1.0" };
        ChangeCounter changes;
        checker.broadcaster.addChangeListener (&changes);

        // Checks count as on, and as never made, so one runs; its result lives on in memory.
        checker.checkIfDue();
        ASSERT_TRUE (finishCheck (checker));
        EXPECT_EQ (server.requestTargets().size(), 1u);
        EXPECT_EQ (changes.count, 1);
        EXPECT_EQ (checker.getNewerVersion(), juce::String ("0.2.0"));
        EXPECT_TRUE (checker.settings.getUserSettings()->getBoolValue (updatekeys::checkEnabled, true));

        checker.broadcaster.removeChangeListener (&changes);
    }
}
} // namespace

namespace
{
class SettingsLocation : public UpdateCheckerTest
{
};

TEST_F (SettingsLocation, FollowsXdgConfigHome)
{
    const auto fallback = home.getChildFile (".config/kovalin/Sabrel.settings");
    const auto elsewhere = home.getChildFile ("elsewhere");

    const std::pair<std::optional<std::string>, juce::File> cases[] = {
        { elsewhere.getFullPathName().toStdString(), elsewhere.getChildFile ("kovalin/Sabrel.settings") },
        { std::nullopt, fallback },
        { std::string(), fallback },
        { std::string ("relative/config"), fallback },
        { std::string ("~/config"), fallback },
    };

    for (const auto& [variable, expected] : cases)
    {
        SCOPED_TRACE (variable.value_or ("(unset)"));

        if (variable)
            ::setenv ("XDG_CONFIG_HOME", variable->c_str(), 1);
        else
            ::unsetenv ("XDG_CONFIG_HOME");

        EXPECT_EQ (UserSettingsFiles::locationFor (updateSettingsOptions(), false), expected);

        // The checker writes there, and only there.
        UpdateChecker checker { "0.1.0" };
        checker.settings.getUserSettings()->setValue (updatekeys::checkEnabled, "0");
        checker.settings.saveIfNeeded();
        EXPECT_TRUE (expected.existsAsFile());
        expected.deleteFile();
    }
}
} // namespace

namespace
{
class HostileSettings : public UpdateCheckerTest
{
};

const std::string storedUrl = R"(<VALUE name="updateLatestUrl" val="https://kovalin.example/dl/x"/>)";

struct HostileFile
{
    const char* name;
    std::string content;
    bool statesItsValues; // they can be read in it without the framework's parser
};

// Settings files the framework's XML parser must never see, each holding these values: by
// default a download address, which a parser reading the file anyway would hand out.
std::vector<HostileFile> hostileSettingsFiles (const std::string& values = storedUrl)
{
    const std::string file = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<PROPERTIES>" + values + "</PROPERTIES>\n";

    return {
        { "self-referencing entity", R"(<?xml version="1.0"?><!DOCTYPE PROPERTIES [x <!ENTITY a "xx&a;">]>)"
                                     R"(<PROPERTIES><VALUE name="updateLatestNotes" val="&a;"/>)" + values + "</PROPERTIES>", true },
        { "nesting 200000 deep", "<PROPERTIES>" + values + juce::String::repeatedString ("<a>/>", 200000).toStdString()
                                     + juce::String::repeatedString ("</a>", 200000).toStdString() + "</PROPERTIES>", true },
        { "invalid UTF-8 at the end", file + "\xf0", true },
        { "UTF-16", std::string ("\xff\xfe<\0P\0"), false },
        { "larger than any settings file", file + std::string ((size_t) UserSettingsFiles::maxFileBytes, ' '), true },
        // The framework's parser loops for ever on a processing instruction followed by text
        // inside an element.
        { "processing instruction before text", "<PROPERTIES>" + values + "<?x?>y</PROPERTIES>", true },
        { "processing instruction inside a value", "<PROPERTIES>" + values + R"(<VALUE name="a"><?x?>y</VALUE></PROPERTIES>)", true },
        { "processing instruction after the declaration", "<?xml version=\"1.0\"?><?x?><PROPERTIES>" + values + "</PROPERTIES>", true },
        { "markup 200000 deep in a stored value",
          "<PROPERTIES>" + values + R"(<VALUE name="updateLatestNotes" val=")"
              + juce::String::repeatedString ("&lt;a&gt;", 200000).toStdString() + R"("/></PROPERTIES>)", true },
    };
}

void writeFile (const juce::File& file, const std::string& content)
{
    ASSERT_TRUE (file.getParentDirectory().createDirectory());
    ASSERT_TRUE (file.replaceWithData (content.data(), content.size()));
    ASSERT_FALSE (UserSettingsFiles::isSafeToRead (file)); // or the parser would see it
}

TEST_F (HostileSettings, AreNeverParsedAndReplacedAtTheNextSave)
{
    setUpdateUrl (""); // the check fails at once, but stores its time

    for (const auto& c : hostileSettingsFiles())
    {
        SCOPED_TRACE (c.name);
        writeFile (settingsFile(), c.content);

        {
            UpdateChecker checker { "0.1.0" };
            EXPECT_EQ (checker.getDownloadUrl(), vendorweb::homePageUrl());
            checker.checkIfDue();
            ASSERT_TRUE (finishCheck (checker));
        }

        EXPECT_TRUE (UserSettingsFiles::isSafeToRead (settingsFile()));
        EXPECT_TRUE (storedSettings().containsKey (updatekeys::lastCheckMs));
        EXPECT_FALSE (storedSettings().containsKey (updatekeys::latestUrl));
    }
}

TEST_F (HostileSettings, KeepAnOptOutTheyStatePlainly)
{
    LoopbackHttpServer server ([] (const LoopbackHttpServer::Connection& conn)
    {
        conn.send (LoopbackHttpServer::response (200, R"({"version":"0.2.0"})"));
    });
    setUpdateUrl (server.address ("/latest"));

    for (const auto& c : hostileSettingsFiles (R"(<VALUE name="updateCheckEnabled" val="0"/>)" + storedUrl))
    {
        if (! c.statesItsValues)
            continue;

        SCOPED_TRACE (c.name);
        writeFile (settingsFile(), c.content);

        {
            UpdateChecker checker { "0.1.0" };
            checker.checkIfDue();
            ASSERT_TRUE (finishCheck (checker));
            EXPECT_EQ (checker.getDownloadUrl(), vendorweb::homePageUrl());
        }

        // Replaced by what could be read safely, which is the opt-out alone.
        EXPECT_TRUE (UserSettingsFiles::isSafeToRead (settingsFile()));
        EXPECT_EQ (storedSettings()[updatekeys::checkEnabled], juce::String ("0"));
        EXPECT_FALSE (storedSettings().containsKey (updatekeys::latestUrl));
    }

    EXPECT_TRUE (server.requestTargets().empty());
}

TEST_F (HostileSettings, WhatTheFrameworkWritesIsSafeToRead)
{
    writeSettings ({ { updatekeys::latestNotes, "<notes> & \"quotes\" 'and' \t\r\n \xc3\xa9 \x01" },
                     { updatekeys::latestUrl, "https://kovalin.example/dl/0.2.0?a=1&b=2" } });
    EXPECT_TRUE (UserSettingsFiles::isSafeToRead (settingsFile()));
    EXPECT_TRUE (UserSettingsFiles::isSafeToRead (home.getChildFile ("absent")));
    EXPECT_EQ (storedSettings()[updatekeys::latestUrl], juce::String ("https://kovalin.example/dl/0.2.0?a=1&b=2"));

    // Saved again with a byte order mark, as a text editor may: the settings file skips it.
    juce::MemoryBlock marked ("\xef\xbb\xbf", 3);
    settingsFile().loadFileAsData (marked);
    ASSERT_TRUE (settingsFile().replaceWithData (marked.getData(), marked.getSize()));
    EXPECT_TRUE (UserSettingsFiles::isSafeToRead (settingsFile()));
    EXPECT_EQ (storedSettings()[updatekeys::latestUrl], juce::String ("https://kovalin.example/dl/0.2.0?a=1&b=2"));
}
} // namespace

namespace
{
// Stored values. The file's save parses each one as XML again, so the settings file must hold
// none that the framework's parser would follow deep down, declare or loop on; anything else
// stays, and with it the rest of the file.
class StoredValues : public UpdateCheckerTest
{
protected:
    void SetUp() override
    {
        UpdateCheckerTest::SetUp();
        server = std::make_unique<LoopbackHttpServer> ([] (const LoopbackHttpServer::Connection& conn)
        {
            conn.send (LoopbackHttpServer::response (200, R"({"version":"0.2.0"})"));
        });
        setUpdateUrl (server->address ("/latest"));
    }

    std::unique_ptr<LoopbackHttpServer> server;
};

juce::String nested (int depth)
{
    return juce::String::repeatedString ("<a>", depth) + "x" + juce::String::repeatedString ("</a>", depth);
}

const juce::String nineLineBreaks = "Fixes:" + juce::String::repeatedString ("<br>- a fix", 9);
const juce::String hangingValue = "<r>a<?x?>y</r>";

TEST_F (StoredValues, OnlyWhatTheSaveWouldParseMustBePlain)
{
    struct Case
    {
        const char* what;
        juce::String value;
        bool safe;
    };

    const Case cases[] = {
        // The parser gives up at once unless, after white space, comments and processing
        // instructions, the text starts with '<'.
        { "no markup", "Fixes & more", true },
        { "line breaks after text", nineLineBreaks, true },
        { "a run of '<'", "a<b<c<d<e<f<g<h<i<j", true },
        { "'<?' in text", "New <?> placeholder syntax", true },
        { "processing instruction after text", "x" + hangingValue, true },
        { "document type after text", "x<!DOCTYPE r [<!ENTITY a \"&a;&a;\">]><r>&a;</r>", true },
        { "white space, a comment and an instruction before text",
          " \r\n<!-- c --><?x?> x" + juce::String::repeatedString ("<a>", 100000), true },
        { "unterminated comment first", "<!-- " + hangingValue, true },
        { "unterminated instruction first", "<?x <r>a<?b y</r>", true },
        // Markup the parser reads must be plain, or too short to nest deep, loop or declare.
        { "plain markup", "<ul><li>One</li><li>Two</li></ul>", true },
        { "markup as deep as allowed", nested (UserSettingsFiles::maxNestingDepth), true },
        { "few '<' and neither '<?' nor '<!'", "<b>New</b> & ? < >", true },
        { "processing instruction in an element", hangingValue, false },
        { "after white space", " \r\n\t" + hangingValue, false },
        { "after a comment", "<!-- c -->" + hangingValue, false },
        { "after a processing instruction", "<?x?>" + hangingValue, false },
        // The parser's white space is the locale's: these count in some.
        { "after an ideographic space", juce::String::fromUTF8 ("\xe3\x80\x80") + hangingValue, false },
        { "after a file separator", "\x1c" + hangingValue, false },
        { "markup deeper than allowed", nested (UserSettingsFiles::maxNestingDepth + 1), false },
        { "document type first", "<!DOCTYPE r [<!ENTITY a 'x'>]><r>&a;</r>", false },
        { "deep markup after a comment", "<!-- c -->" + juce::String::repeatedString ("<a>", 100000), false },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        const auto safe = UserSettingsFiles::isSafeValue (c.value);
        EXPECT_EQ (safe, c.safe);

        if (! safe || ! c.safe)
            continue;

        // What is let through, the framework's own settings file saves.
        const auto file = home.getChildFile ("saved.settings");
        EXPECT_TRUE (watchdog::returnsWithin ([file, value = c.value] {
            auto options = updateSettingsOptions();
            options.millisecondsBeforeSaving = -1;
            juce::PropertiesFile saved (file, options);
            saved.setValue ("v", value);
            saved.save();
        }));
    }
}

TEST_F (StoredValues, TheSavesParserReturnsOnWhateverIsAccepted)
{
    // Pieces of text and markup, well placed or not, joined at random: whatever passes goes to
    // the framework's parser as the save hands it every value, and the parser must return.
    const juce::String pieces[] = {
        " ", "\r\n", "\t", "x", "<", ">", "<?", "?>", "<?x?>", "<?xml version=\"1.0\"?>", "<!--", "-->", "<!-- c -->",
        "<a>", "</a>", "<b/>", "&", "&e;", "&lt;", "<!DOCTYPE r [<!ENTITY e \"&e;&e;\">]>", "<![CDATA[", "]]>",
        juce::String::repeatedString ("<a>", 100000),
    };

    std::mt19937 random (24);
    std::vector<juce::String> accepted;

    for (int i = 0; i < 20000; ++i)
    {
        juce::String value;

        for (auto n = std::uniform_int_distribution<int> (1, 8) (random); --n >= 0;)
            value += pieces[std::uniform_int_distribution<size_t> (0, std::size (pieces) - 1) (random)];

        if (UserSettingsFiles::isSafeValue (value))
            accepted.push_back (value);
    }

    ASSERT_FALSE (accepted.empty());
    const auto hang = watchdog::textTheParserHangsOn (accepted);
    ASSERT_FALSE (hang.has_value()) << "the parser loops on: " << *hang;
}

TEST_F (StoredValues, TextTheSaveKeepsAsTextKeepsTheFileAndTheOptOut)
{
    const juce::String notes[] = { nineLineBreaks, "a<b<c<d<e<f<g<h<i<j", "New <?> placeholder syntax",
                                   nested (UserSettingsFiles::maxNestingDepth) };

    for (const auto& note : notes)
    {
        SCOPED_TRACE (note);
        writeSettings ({ { updatekeys::checkEnabled, "0" }, { updatekeys::latestNotes, note } });

        {
            UpdateChecker checker { "0.1.0" };
            checker.checkIfDue();
            ASSERT_TRUE (finishCheck (checker));
            EXPECT_EQ (checker.settings.getUserSettings()->getValue (updatekeys::latestNotes), note);
        }

        ASSERT_TRUE (settingsFile().existsAsFile());
        EXPECT_EQ (storedSettings()[updatekeys::checkEnabled], juce::String ("0"));
        EXPECT_EQ (storedSettings()[updatekeys::latestNotes], note);
    }

    EXPECT_TRUE (server->requestTargets().empty());
}

TEST_F (StoredValues, AnUnsafeValueIsDroppedAndTheRestKept)
{
    const auto inFile = [] (const std::string& values) {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<PROPERTIES>" + values + "</PROPERTIES>\n";
    };
    const std::string version = R"(<VALUE name="updateLatestVersion" val="0.2.0"/>)";
    const std::string optOut = R"(<VALUE name="updateCheckEnabled" val="0"/>)";

    const std::pair<const char*, std::function<void (const juce::File&)>> cases[] = {
        { "processing instruction in the notes", [&] (const juce::File& f) {
              f.replaceWithText (inFile (optOut + version + R"(<VALUE name="updateLatestNotes" val="&lt;r&gt;a&lt;?x?&gt;y&lt;/r&gt;"/>)"));
          } },
        { "markup 100000 deep in the notes", [&] (const juce::File& f) {
              f.replaceWithText (inFile (optOut + version + R"(<VALUE name="updateLatestNotes" val=")"
                                         + juce::String::repeatedString ("&lt;a&gt;", 100000).toStdString() + R"("/>)"));
          } },
        // The checker reads it as off, as the framework reads it; it must stay so.
        { "processing instruction in the opt-out", [&] (const juce::File& f) {
              f.replaceWithText (inFile (version + R"(<VALUE name="updateCheckEnabled" val="&lt;r&gt;0&lt;?x?&gt;y&lt;/r&gt;"/>)"));
          } },
        // The framework reads its binary form as well, and saves it as XML.
        { "the framework's binary form", [] (const juce::File& f) {
              auto options = updateSettingsOptions();
              options.storageFormat = juce::PropertiesFile::storeAsBinary;
              juce::PropertiesFile binary (f, options);
              binary.setValue (updatekeys::checkEnabled, "0");
              binary.setValue (updatekeys::latestVersion, "0.2.0");
              binary.setValue (updatekeys::latestNotes, hangingValue);
              ASSERT_TRUE (binary.save());
          } },
    };

    for (const auto& [name, write] : cases)
    {
        SCOPED_TRACE (name);
        ASSERT_TRUE (settingsFile().getParentDirectory().createDirectory());
        write (settingsFile());
        ASSERT_FALSE (UserSettingsFiles::isSafeToRead (settingsFile()));

        {
            // A value that got through would loop or recurse in this save.
            const watchdog::ScopeLimit limit (std::string ("opening and saving \"") + name + "\"");
            UpdateChecker checker { "0.1.0" };
            checker.checkIfDue();
            ASSERT_TRUE (finishCheck (checker));
            EXPECT_EQ (checker.getNewerVersion(), juce::String ("0.2.0"));
            EXPECT_FALSE (checker.settings.getUserSettings()->containsKey (updatekeys::latestNotes));

            // Mended on disk at once, not at the next save.
            EXPECT_TRUE (UserSettingsFiles::isSafeToRead (settingsFile()));
            EXPECT_TRUE (checker.settings.saveIfNeeded());
        }

        EXPECT_TRUE (UserSettingsFiles::isSafeToRead (settingsFile()));
        const auto stored = storedSettings();
        EXPECT_EQ (stored[updatekeys::checkEnabled], juce::String ("0"));
        EXPECT_EQ (stored[updatekeys::latestVersion], juce::String ("0.2.0"));
        EXPECT_FALSE (stored.containsKey (updatekeys::latestNotes));
    }

    EXPECT_TRUE (server->requestTargets().empty());
}
} // namespace
