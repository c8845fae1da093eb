// Opening addresses in the browser: only plain web addresses are opened, anything else opens
// the vendor's home page, and the address reaches the browser as one argument without a shell.

#include "InteractionTestSupport.h"

#include "update/VendorWeb.h"

#include <unistd.h>

#include <cstdlib>

using namespace interaction;

namespace
{
TEST (BrowserAddressFilter, OpensOnlyPlainWebAddresses)
{
    struct Case
    {
        const char* address;
        bool opened; // else the home page is opened in its place
    };

    const Case cases[] = {
        { "https://kovalin.example/sabrel/download/0.2.0", true },
        { "http://kovalin.example/", true },
        { "HTTPS://Kovalin.Example/Download?v=0.2.0&os=win#top", true },
        { "https://downloads.kovalin.example:8443/sabrel_0.2.0.zip", true },
        { "https://kovalin.example/a%20b", true },
        { "https://kovalin.example/$(touch /tmp/sabrel-pwned)", false },
        { "https://kovalin.example/$HOME", false },
        { "https://kovalin.example/`id`", false },
        { "https://kovalin.example/\";id;\"", false },
        { "https://kovalin.example/'x'", false },
        { "https://kovalin.example/a b", false },
        { "https://kovalin.example/a\nb", false },
        { "https://kovalin.example/a|b", false },
        { "https://kovalin.example/%zz", false },
        { "https://kovalin.example@evil.example/", false },
        { "https://-kovalin.example/", false },
        { "https://", false },
        { "https:///path", false },
        { "https://kovalin.example:/", false },
        { "https://kovalin.example:99999999/", false },
        { "file:///etc/passwd", false },
        { "javascript:alert(1)", false },
        { "-–help", false },
        { "--version", false },
        { "ftp://kovalin.example/", false },
        { "kovalin.example", false },
        { " https://kovalin.example/", false },
        { "", false },
    };

    for (const auto& c : cases)
    {
        const auto address = juce::String::fromUTF8 (c.address);
        SCOPED_TRACE (address.toStdString());
        EXPECT_EQ (browser::isOpenableWebAddress (address), c.opened);

        RecordingLauncher launcher;
        browser::openInBrowser (address);
        ASSERT_EQ (launcher.opened.size(), 1u);
        EXPECT_EQ (launcher.opened[0], c.opened ? address : vendorweb::homePageUrl());
    }
}

TEST (BrowserAddressFilter, AnOverlongAddressOpensTheHomePage)
{
    const auto address = "https://kovalin.example/" + juce::String::repeatedString ("a", 5000);
    EXPECT_EQ (browser::addressToOpen (address), vendorweb::homePageUrl());
}

// A stand-in xdg-open, alone on PATH in a folder of its own, records how it was called.
class SystemBrowserLaunch : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                     .getNonexistentChildFile ("sabrel-browser-" + juce::String (::getpid()), {}, false);
        ASSERT_TRUE (folder.createDirectory());

        // Only shell built-ins: nothing else can be found on this PATH.
        auto script = folder.getChildFile ("xdg-open");
        ASSERT_TRUE (script.replaceWithText ("#!/bin/sh\n"
                                             "printf '%s' \"$1\" > \"${0%/*}/argument\"\n"
                                             "printf '%s' \"$#\" > \"${0%/*}/count\"\n",
                                             false, false, "\n"));
        ASSERT_TRUE (script.setExecutePermission (true));

        if (auto* path = std::getenv ("PATH"))
            savedPath = path;

        ::setenv ("PATH", folder.getFullPathName().toRawUTF8(), 1);
    }

    void TearDown() override
    {
        ::setenv ("PATH", savedPath.c_str(), 1);
        folder.deleteRecursively();
    }

    bool waitForFile (const juce::File& f) const
    {
        for (int i = 0; i < 500 && ! f.existsAsFile(); ++i)
            juce::Thread::sleep (10);

        return f.existsAsFile();
    }

    juce::File folder;
    std::string savedPath;
};

TEST_F (SystemBrowserLaunch, HostileAddressArrivesAsOneArgumentAndRunsNothing)
{
    const auto marker = [this] (const char* name) { return folder.getChildFile (name).getFullPathName(); };
    const auto hostile = "https://kovalin.example/$(/usr/bin/touch " + marker ("ran1") + ")`/usr/bin/touch "
                         + marker ("ran2") + "`\";/usr/bin/touch " + marker ("ran3") + ";\" '; /usr/bin/touch "
                         + marker ("ran4") + "; ' -x --help";

    ASSERT_TRUE (browser::launchSystemBrowser (hostile));
    ASSERT_TRUE (waitForFile (folder.getChildFile ("count")));
    juce::Thread::sleep (100); // the count is written last; give a command that slipped through time to run

    EXPECT_EQ (folder.getChildFile ("count").loadFileAsString(), "1");
    EXPECT_EQ (folder.getChildFile ("argument").loadFileAsString(), hostile);

    for (auto* name : { "ran1", "ran2", "ran3", "ran4" })
        EXPECT_FALSE (folder.getChildFile (name).exists()) << name;
}
} // namespace
