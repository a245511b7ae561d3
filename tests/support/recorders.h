#pragma once

#include "appexit.h"
#include "clock.h"
#include "filechooser.h"
#include "prompter.h"
#include "shellopener.h"

#include <QList>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

// Stand-ins for the seams that talk to a person. A test makes one TestSeams; it installs the
// recorders, points settings and data folders at a fresh temporary folder and resets the
// logged-in state, and undoes the installation when it goes.
class PromptRecorder final : public Prompter
{
public:
    Answer ask(const Message& message) override;

    QList<Message> messages;
    QList<Answer> answers; // answered in turn; OK (or No for a question) when none is left

    QStringList texts() const;
    QString lastText() const { return messages.isEmpty() ? QString() : messages.last().text; }
    QString lastTitle() const { return messages.isEmpty() ? QString() : messages.last().title; }
    void clear() { messages.clear(); answers.clear(); }
};

class ExitRecorder final : public AppExit
{
public:
    void exit(int code) override { codes.append(code); }
    bool ended() const { return !codes.isEmpty(); }
    QList<int> codes;
};

class FileChooserScript final : public FileChooser
{
public:
    QString openFile(const QString& title, const QString& startPath, const QString& filter) override;
    QString saveFile(const QString& title, const QString& startPath, const QString& filter) override;
    QStringList answers; // paths in turn; "" is a cancel
    QStringList titles;
    QStringList startPaths;
    QStringList filters;
};

class OpenRecorder final : public ShellOpener
{
public:
    bool open(const QString& path) override
    {
        opened.append(path);
        return opens;
    }
    QStringList opened;
    bool opens = true; // false: as a desktop with no program for the file
};

class TestSeams
{
public:
    // Today is 03/15/2024 unless a test sets the clock.
    TestSeams();
    ~TestSeams();

    QString folder() const { return m_dir.path(); }
    QString path(const QString& name) const { return m_dir.filePath(name); }

    PromptRecorder prompter;
    ExitRecorder exits;
    FileChooserScript chooser;
    OpenRecorder opener;
    FixedClock clock;

private:
    QTemporaryDir m_dir;
};
