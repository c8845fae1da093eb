#pragma once

#include <dlfcn.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

// The test program's own X error handler, installed before JUCE starts as a host installs its
// own: it ignores every error, as a JUCE application does, and shows each to the hook a test
// may set, which sees what reaches the host's handler. (Xlib's display and error event.)
using TestXErrorHook = int (*) (void* display, void* event);
inline std::atomic<TestXErrorHook> testXErrorHook { nullptr };

inline int testProgramXErrorHandler (void* display, void* event)
{
    if (const auto hook = testXErrorHook.load())
        hook (display, event);
    return 0;
}

// Real windows in tests: which X display they open on, and whether there is one.
//
// Under CTest the run starts its own virtual X server (tests/display/xvfb.py) and names it in
// the file SABREL_TEST_DISPLAY_FILE points to. That display replaces the caller's, so no test
// window lands on a developer's desktop. Call before JUCE starts.
inline void useTestDisplay()
{
    if (const char* file = std::getenv ("SABREL_TEST_DISPLAY_FILE"))
    {
        std::ifstream in (file);
        std::string name;
        if (in >> name)
            ::setenv ("DISPLAY", name.c_str(), 1);
    }

    // Test programs share the display, so a window JUCE asks about (the one with the focus,
    // when a menu checks whether the application still has it) may belong to another program
    // and be gone by the time the request arrives. JUCE ignores such errors only in standalone
    // applications; in a plug-in the host decides, and here Xlib's default would end the test
    // program. The program installs a handler of its own first, as a host does.
    if (void* x11 = ::dlopen ("libX11.so.6", RTLD_LAZY | RTLD_LOCAL))
    {
        using SetErrorHandler = TestXErrorHook (*) (TestXErrorHook);

        if (const auto set = reinterpret_cast<SetErrorHandler> (::dlsym (x11, "XSetErrorHandler")))
            set (testProgramXErrorHandler);
        // The library stays loaded: JUCE opens the same one and the handler lives in it.
    }
}

// True when an X server answers on DISPLAY. Asked once, through the same libX11 that JUCE
// loads at run time, so the test programs need not link it.
inline bool hasTestDisplay()
{
    static const bool answers = [] {
        const char* name = std::getenv ("DISPLAY");
        if (name == nullptr || *name == '\0')
            return false;

        void* x11 = ::dlopen ("libX11.so.6", RTLD_LAZY | RTLD_LOCAL);
        if (x11 == nullptr)
            return false;

        using OpenDisplay = void* (*) (const char*);
        using CloseDisplay = int (*) (void*);
        const auto open = reinterpret_cast<OpenDisplay> (::dlsym (x11, "XOpenDisplay"));
        const auto close = reinterpret_cast<CloseDisplay> (::dlsym (x11, "XCloseDisplay"));

        bool connected = false;
        if (open != nullptr && close != nullptr)
        {
            if (void* display = open (name))
            {
                close (display);
                connected = true;
            }
        }

        ::dlclose (x11);
        return connected;
    }();

    return answers;
}

// First statement of a test that shows a real window or menu.
#define SKIP_WITHOUT_DISPLAY()                                                                  \
    if (! hasTestDisplay())                                                                     \
    GTEST_SKIP() << "no X display (DISPLAY unset or nothing answers); CTest starts Xvfb itself"

namespace juce
{
// JUCE's own message pump on Linux; the tests are the message thread and run it by hand.
bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages);
} // namespace juce

// Runs the message loop (window events, repaints, timers, vertical-blank callbacks) for a while.
inline void pumpMessagesFor (int milliseconds)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds (milliseconds);
    while (std::chrono::steady_clock::now() < end)
        if (! juce::dispatchNextMessageOnSystemQueue (true))
            std::this_thread::sleep_for (std::chrono::milliseconds (1));
}
