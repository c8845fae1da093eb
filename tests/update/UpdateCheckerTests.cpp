#include "LoopbackHttpServer.h"
#include "UpdateTestSupport.h"
#include "update/VendorWeb.h"

namespace
{
constexpr juce::int64 dayMs = 86'400'000;

// Answers every request with the same JSON body.
LoopbackHttpServer::Handler replyWith (std::string body)
{
    return [body] (const LoopbackHttpServer::Connection& c) { c.send (LoopbackHttpServer::response (200, body)); };
}

class UpdateCheckAgainstServer : public UpdateCheckerTest
{
protected:
    // Runs one due check against a server giving this reply and delivers its result.
    void checkAgainst (const std::string& reply)
    {
        server = std::make_unique<LoopbackHttpServer> (replyWith (reply));
        setUpdateUrl (server->address ("/latest"));
        checker.broadcaster.addChangeListener (&changes);
        checker.checkIfDue();
        ASSERT_TRUE (finishCheck (checker));
    }

    void TearDown() override
    {
        checker.broadcaster.removeChangeListener (&changes);
        checkerOwner.reset(); // closes its files before the temporary home goes
        server.reset();
        UpdateCheckerTest::TearDown();
    }

    std::unique_ptr<LoopbackHttpServer> server;
    std::unique_ptr<UpdateChecker> checkerOwner = std::make_unique<UpdateChecker> ("0.1.0");
    UpdateChecker& checker = *checkerOwner;
    ChangeCounter changes;
};

TEST_F (UpdateCheckAgainstServer, RequestCarriesVersionPlatformAndFormat)
{
    checkAgainst (R"({"version":"0.1.0"})");

    ASSERT_EQ (server->requestTargets().size(), 1u);
    EXPECT_EQ (server->requestTargets()[0], "/latest?v=0.1.0&os=linux&fmt=unknown");
}

TEST_F (UpdateCheckAgainstServer, FormatWrittenAfterTheStartDoesNotReachTheRunningRequest)
{
    server = std::make_unique<LoopbackHttpServer> ([] (const LoopbackHttpServer::Connection& c)
    {
        juce::Thread::sleep (200);
        c.send (LoopbackHttpServer::response (200, R"({"version":"0.1.0"})"));
    });
    setUpdateUrl (server->address ("/latest"));

    checker.pluginFormat = "VST3";
    checker.checkIfDue();
    checker.pluginFormat = "AU";
    ASSERT_TRUE (finishCheck (checker));

    ASSERT_EQ (server->requestTargets().size(), 1u);
    EXPECT_EQ (server->requestTargets()[0], "/latest?v=0.1.0&os=linux&fmt=VST3");
}

TEST_F (UpdateCheckAgainstServer, NewerVersionIsStoredAndAnnounced)
{
    checkAgainst (R"({"version":"0.2.0","url":"https://kovalin.example/dl/0.2.0","notes":"Faster curves"})");

    EXPECT_EQ (changes.count, 1);
    EXPECT_EQ (checker.getNewerVersion(), juce::String ("0.2.0"));
    EXPECT_EQ (checker.getDownloadUrl(), juce::String ("https://kovalin.example/dl/0.2.0"));

    const auto stored = storedSettings();
    EXPECT_EQ (stored[updatekeys::latestVersion], juce::String ("0.2.0"));
    EXPECT_EQ (stored[updatekeys::latestUrl], juce::String ("https://kovalin.example/dl/0.2.0"));
    EXPECT_EQ (stored[updatekeys::latestNotes], juce::String ("Faster curves"));
}

TEST_F (UpdateCheckAgainstServer, ReplyWithoutUrlOrNotesKeepsTheStoredOnes)
{
    writeSettings ({ { updatekeys::latestVersion, "0.1.5" },
                     { updatekeys::latestUrl, "https://kovalin.example/dl/old" },
                     { updatekeys::latestNotes, "Old notes" } });

    checkAgainst (R"({"version":"0.3.0","url":"","notes":"New notes"})");

    const auto stored = storedSettings();
    EXPECT_EQ (stored[updatekeys::latestVersion], juce::String ("0.3.0"));
    EXPECT_EQ (stored[updatekeys::latestUrl], juce::String ("https://kovalin.example/dl/old"));
    EXPECT_EQ (stored[updatekeys::latestNotes], juce::String ("New notes"));
    EXPECT_EQ (checker.getDownloadUrl(), juce::String ("https://kovalin.example/dl/old"));

    // A reply without notes keeps them too.
    server.reset();
    writeSettings ({ { updatekeys::lastCheckMs, "0" } });
    UpdateChecker second { "0.1.0" };
    server = std::make_unique<LoopbackHttpServer> (replyWith (R"({"version":"0.4.0"})"));
    setUpdateUrl (server->address ("/latest"));
    second.checkIfDue();
    ASSERT_TRUE (finishCheck (second));

    EXPECT_EQ (storedSettings()[updatekeys::latestVersion], juce::String ("0.4.0"));
    EXPECT_EQ (storedSettings()[updatekeys::latestNotes], juce::String ("New notes"));
}

TEST_F (UpdateCheckAgainstServer, StoresOnlyPlainHttpsAddresses)
{
    // Each reply is checked on top of an earlier stored address, which a refused one must leave.
    // Addresses are written as they stand in the reply's JSON.
    const juce::String earlier = "https://kovalin.example/dl/old";
    const auto longPath = std::string ((size_t) maxDownloadUrlLength, 'a');

    const std::pair<std::string, bool> cases[] = {
        { "https://kovalin.example/dl/0.2.0", true },
        { "https://kovalin.example/" + longPath.substr (24), true }, // exactly the longest accepted
        { "https://kovalin.example/" + longPath, false },
        { "http://kovalin.example/dl/0.2.0", false },
        { "file:///etc/passwd", false },
        { "javascript:alert(1)", false },
        { "https://kovalin.example/$(touch /tmp/x)", false },
        { "https://kovalin.example/`touch /tmp/x`", false },
        { R"(https://kovalin.example/\"onmouseover=\"x)", false },
        { "https://kovalin.example/'a'", false },
        { "https://kovalin.example/a b", false },
        { R"(https://kovalin.example/a\nb)", false },
        { R"(https://kovalin.example/a\u0007b)", false },
        { "https:kovalin.example", false },
        { "not an address", false },
    };

    const auto replyFor = [] (const std::string& url) { return R"({"version":"0.2.0","url":")" + url + R"("})"; };

    // The case's index travels as the running version, so one server answers them all.
    server = std::make_unique<LoopbackHttpServer> ([&cases, &replyFor] (const LoopbackHttpServer::Connection& c) {
        const auto index = (size_t) juce::String (c.target).fromFirstOccurrenceOf ("v=", false, false).getIntValue();
        c.send (LoopbackHttpServer::response (200, replyFor (cases[index].first)));
    });
    setUpdateUrl (server->address ("/latest"));

    for (size_t i = 0; i < std::size (cases); ++i)
    {
        const auto& [url, accepted] = cases[i];
        SCOPED_TRACE (url.substr (0, 60));
        writeSettings ({ { updatekeys::lastCheckMs, "0" }, { updatekeys::latestUrl, earlier } });

        UpdateChecker caseChecker { juce::String ((int) i) };
        caseChecker.checkIfDue();
        ASSERT_TRUE (finishCheck (caseChecker));
        ASSERT_EQ (caseChecker.settings.getUserSettings()->getValue (updatekeys::latestVersion), juce::String ("0.2.0"));

        const auto expected = accepted ? parseReleaseAnnouncement (replyFor (url)).url : earlier;
        EXPECT_EQ (storedSettings()[updatekeys::latestUrl], expected);
        EXPECT_EQ (caseChecker.getDownloadUrl(), expected);
    }
}

TEST_F (UpdateCheckAgainstServer, HostileAddressInTheFallbackFileIsIgnored)
{
    // The all-users file serves keys the user's file lacks; an address from it is checked too.
    juce::PropertySet allUsers;
    auto* user = checker.settings.getUserSettings();
    user->setFallbackPropertySet (&allUsers);

    allUsers.setValue (updatekeys::latestUrl, "https://kovalin.example/dl/site-wide");
    EXPECT_EQ (checker.getDownloadUrl(), juce::String ("https://kovalin.example/dl/site-wide"));

    for (const char* hostile : { "http://evil.example/", "javascript:alert(1)", "https://evil.example/$(id)" })
    {
        allUsers.setValue (updatekeys::latestUrl, hostile);
        EXPECT_EQ (checker.getDownloadUrl(), vendorweb::homePageUrl()) << hostile;
    }

    // A stored address of the user's own comes first.
    user->setValue (updatekeys::latestUrl, "https://kovalin.example/dl/mine");
    EXPECT_EQ (checker.getDownloadUrl(), juce::String ("https://kovalin.example/dl/mine"));
    user->setFallbackPropertySet (checker.settings.getCommonSettings());
}

TEST_F (UpdateCheckAgainstServer, WithoutAStoredUrlTheHomePageIsOffered)
{
    checkAgainst (R"({"version":"0.2.0","url":"","notes":"n"})");

    EXPECT_EQ (checker.getNewerVersion(), juce::String ("0.2.0"));
    EXPECT_EQ (checker.getDownloadUrl(), vendorweb::homePageUrl());
    EXPECT_FALSE (storedSettings().containsKey (updatekeys::latestUrl));
}

TEST_F (UpdateCheckAgainstServer, RunningVersionIsStoredButNotNewer)
{
    checkAgainst (R"({"version":"0.1.0"})");

    EXPECT_EQ (changes.count, 1);
    EXPECT_EQ (storedSettings()[updatekeys::latestVersion], juce::String ("0.1.0"));
    EXPECT_TRUE (checker.getNewerVersion().isEmpty());
}

TEST_F (UpdateCheckAgainstServer, OlderVersionIsNotOffered)
{
    checkAgainst (R"({"version":"0.0.9"})");
    EXPECT_TRUE (checker.getNewerVersion().isEmpty());
}

TEST_F (UpdateCheckAgainstServer, ResultQueuedWhenTheCheckerGoesIsDropped)
{
    server = std::make_unique<LoopbackHttpServer> (replyWith (R"({"version":"0.2.0","url":"u","notes":"n"})"));
    setUpdateUrl (server->address ("/latest"));

    {
        UpdateChecker doomed { "0.1.0" };
        doomed.checkIfDue();

        // Wait for the thread without delivering its posted result.
        const auto deadline = juce::Time::getMillisecondCounter() + 10000;
        while (doomed.isThreadRunning() && juce::Time::getMillisecondCounter() < deadline)
            juce::Thread::sleep (5);

        ASSERT_FALSE (doomed.isThreadRunning());
        ASSERT_EQ (server->requestTargets().size(), 1u);
    }

    pumpMessagesUntil ([] { return false; }, 200);

    const auto stored = storedSettings();
    EXPECT_TRUE (stored.containsKey (updatekeys::lastCheckMs));
    EXPECT_FALSE (stored.containsKey (updatekeys::latestVersion));
    EXPECT_FALSE (stored.containsKey (updatekeys::latestUrl));
}

//==============================================================================
// When a check is due. The server counts the requests that were made.
class CheckSchedule : public UpdateCheckerTest
{
protected:
    void SetUp() override
    {
        UpdateCheckerTest::SetUp();
        server = std::make_unique<LoopbackHttpServer> (replyWith (R"({"version":"0.1.0"})"));
        setUpdateUrl (server->address ("/latest"));
    }

    // Runs checkIfDue once with these stored settings; true when it made a request.
    bool checkWith (const std::map<juce::String, juce::String>& stored)
    {
        writeSettings (stored);
        UpdateChecker checker { "0.1.0" };
        checker.checkIfDue();
        EXPECT_TRUE (finishCheck (checker));
        return ! server->requestTargets().empty();
    }

    std::unique_ptr<LoopbackHttpServer> server;
};

TEST_F (CheckSchedule, FirstCheckStartsAtOnceAndStoresItsTime)
{
    const auto before = juce::Time::currentTimeMillis();
    EXPECT_TRUE (checkWith ({}));
    const auto after = juce::Time::currentTimeMillis();

    const auto stored = storedSettings()[updatekeys::lastCheckMs].getLargeIntValue();
    EXPECT_GE (stored, before);
    EXPECT_LE (stored, after);
}

TEST_F (CheckSchedule, StoredZeroOrUnreadableTimeMeansNoCheckYet)
{
    EXPECT_TRUE (checkWith ({ { updatekeys::lastCheckMs, "0" } }));
    EXPECT_NE (storedSettings()[updatekeys::lastCheckMs], juce::String ("0"));
}

TEST_F (CheckSchedule, UnreadableTimeCountsAsNoCheck)
{
    EXPECT_TRUE (checkWith ({ { updatekeys::lastCheckMs, "yesterday" } }));
}

TEST_F (CheckSchedule, NoSecondCheckWithinADay)
{
    // The exact boundary is covered by UpdateCheckDue; a minute's margin keeps this steady.
    const auto last = juce::String (juce::Time::currentTimeMillis() - dayMs + 60'000);
    EXPECT_FALSE (checkWith ({ { updatekeys::lastCheckMs, last } }));
    EXPECT_EQ (storedSettings()[updatekeys::lastCheckMs], last);
}

TEST_F (CheckSchedule, CheckAfterADay)
{
    EXPECT_TRUE (checkWith ({ { updatekeys::lastCheckMs, juce::String (juce::Time::currentTimeMillis() - dayMs) } }));
}

TEST_F (CheckSchedule, ClockSetBackWaitsForADayAfterTheStoredTime)
{
    const auto last = juce::String (juce::Time::currentTimeMillis() + 3'600'000);
    EXPECT_FALSE (checkWith ({ { updatekeys::lastCheckMs, last } }));
    EXPECT_EQ (storedSettings()[updatekeys::lastCheckMs], last);
}

TEST_F (CheckSchedule, DisabledChecksMakeNoRequest)
{
    EXPECT_FALSE (checkWith ({ { updatekeys::checkEnabled, "0" } }));
    EXPECT_FALSE (storedSettings().containsKey (updatekeys::lastCheckMs));
}

TEST_F (CheckSchedule, EnabledChecksRun)
{
    EXPECT_TRUE (checkWith ({ { updatekeys::checkEnabled, "1" } }));
}

TEST_F (CheckSchedule, SecondCallWhileACheckRunsDoesNothing)
{
    std::atomic<bool> release { false };
    server = std::make_unique<LoopbackHttpServer> ([&release] (const LoopbackHttpServer::Connection& c)
    {
        for (int i = 0; i < 500 && ! release && ! c.stopping; ++i)
            juce::Thread::sleep (10);

        c.send (LoopbackHttpServer::response (200, R"({"version":"0.2.0"})"));
    });
    setUpdateUrl (server->address ("/latest"));

    UpdateChecker checker { "0.1.0" };
    checker.checkIfDue();
    ASSERT_TRUE (checker.isThreadRunning());

    // Even with the stored time gone, a running check is not doubled.
    auto* user = checker.settings.getUserSettings();
    user->removeValue (updatekeys::lastCheckMs);
    ASSERT_TRUE (user->saveIfNeeded()); // a check reads the file as it stands on disk
    checker.checkIfDue();
    EXPECT_FALSE (user->containsKey (updatekeys::lastCheckMs));

    release = true;
    ASSERT_TRUE (finishCheck (checker));
    EXPECT_EQ (server->requestTargets().size(), 1u);
    EXPECT_EQ (checker.getNewerVersion(), juce::String ("0.2.0"));
}

TEST_F (CheckSchedule, SettingsFileIsTheFrameworksXmlUnderTheUsersConfigFolder)
{
    EXPECT_TRUE (checkWith ({}));

    const auto xml = juce::parseXML (settingsFile());
    ASSERT_NE (xml, nullptr);
    EXPECT_EQ (xml->getTagName(), juce::String ("PROPERTIES"));

    auto* value = xml->getChildByAttribute ("name", updatekeys::latestVersion);
    ASSERT_NE (value, nullptr);
    EXPECT_EQ (value->getTagName(), juce::String ("VALUE"));
    EXPECT_EQ (value->getStringAttribute ("val"), juce::String ("0.1.0"));
    EXPECT_FALSE (home.getChildFile ("kovalin").exists());
}
} // namespace
