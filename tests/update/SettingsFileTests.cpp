#include "LoopbackHttpServer.h"
#include "UpdateTestSupport.h"
#include "update/VendorWeb.h"

#include <unistd.h>

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

// Settings files the framework's XML parser must never see; each names a download address
// that a parser reading it anyway would hand out.
std::vector<std::pair<const char*, std::string>> hostileSettingsFiles()
{
    const std::string value = R"(<VALUE name="updateLatestUrl" val="https://kovalin.example/dl/x"/>)";
    const std::string file = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<PROPERTIES>" + value + "</PROPERTIES>\n";

    return {
        { "self-referencing entity", R"(<?xml version="1.0"?><!DOCTYPE PROPERTIES [x <!ENTITY a "xx&a;">]>)"
                                     R"(<PROPERTIES><VALUE name="updateLatestNotes" val="&a;"/>)" + value + "</PROPERTIES>" },
        { "nesting 200000 deep", "<PROPERTIES>" + value + juce::String::repeatedString ("<a>/>", 200000).toStdString()
                                     + juce::String::repeatedString ("</a>", 200000).toStdString() + "</PROPERTIES>" },
        { "invalid UTF-8 at the end", file + "\xf0" },
        { "UTF-16", std::string ("\xff\xfe<\0P\0") },
        { "larger than any settings file", file + std::string ((size_t) UserSettingsFiles::maxFileBytes, ' ') },
        // The framework's parser loops for ever on a processing instruction followed by text
        // inside an element, and the file's save parses every stored value again.
        { "processing instruction before text", "<PROPERTIES>" + value + "<?x?>y</PROPERTIES>" },
        { "processing instruction inside a value", "<PROPERTIES>" + value + R"(<VALUE name="a"><?x?>y</VALUE></PROPERTIES>)" },
        { "processing instruction after the declaration", "<?xml version=\"1.0\"?><?x?><PROPERTIES>" + value + "</PROPERTIES>" },
        { "processing instruction in a stored value",
          "<PROPERTIES>" + value + R"(<VALUE name="updateLatestNotes" val="&lt;r&gt;a&lt;?x?&gt;y&lt;/r&gt;"/></PROPERTIES>)" },
        { "markup 200000 deep in a stored value",
          "<PROPERTIES>" + value + R"(<VALUE name="updateLatestNotes" val=")"
              + juce::String::repeatedString ("&lt;a&gt;", 200000).toStdString() + R"("/></PROPERTIES>)" },
    };
}

TEST_F (HostileSettings, AreNeverParsedAndReplacedAtTheNextSave)
{
    setUpdateUrl (""); // the check fails at once, but stores its time

    for (const auto& [name, content] : hostileSettingsFiles())
    {
        SCOPED_TRACE (name);
        ASSERT_TRUE (settingsFile().getParentDirectory().createDirectory());
        ASSERT_TRUE (settingsFile().replaceWithData (content.data(), content.size()));
        ASSERT_FALSE (UserSettingsFiles::isSafeToRead (settingsFile())); // or the parser would see it

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
