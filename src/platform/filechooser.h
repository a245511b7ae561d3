#pragma once

#include <QString>

// The open and save dialogs. An empty result means the user cancelled.
class FileChooser
{
public:
    virtual ~FileChooser() = default;
    virtual QString openFile(const QString& title, const QString& startPath, const QString& filter) = 0;
    virtual QString saveFile(const QString& title, const QString& startPath, const QString& filter) = 0;

    static FileChooser& instance();
    static void install(FileChooser* chooser);
};
