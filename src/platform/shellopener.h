#pragma once

#include <QString>

// Opens a document with the program the desktop associates with it.
class ShellOpener
{
public:
    virtual ~ShellOpener() = default;
    virtual bool open(const QString& path) = 0;

    static ShellOpener& instance();
    static void install(ShellOpener* opener);
};
