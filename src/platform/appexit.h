#pragma once

// Ending the program at once. Code that calls it returns straight afterwards; a test installs a
// recorder so that the test process goes on.
class AppExit
{
public:
    virtual ~AppExit() = default;
    virtual void exit(int code) = 0;

    static AppExit& instance();
    static void install(AppExit* appExit);
    static void end(int code = 0) { instance().exit(code); }
};
