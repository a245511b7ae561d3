#include "exportwriter.h"
#include "fileinuse.h"
#include "recorders.h"
#include "wholefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

// The export writer's exact bytes, what a failed write leaves behind, and the file-in-use check.
class tst_ExportWriter : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void writesExactBytes();
    void failedOpenLeavesNoFile();
    void readOnlyFolderLeavesNoFile();
    void failedWriteKeepsTheOldFile_data();
    void failedWriteKeepsTheOldFile();
    void refusesWhatIsNotARegularFile_data();
    void refusesWhatIsNotARegularFile();
    void givesTheSystemsReason();
    void fileInUse();
};

namespace {

QByteArray contentOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace

void tst_ExportWriter::writesExactBytes()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("balances.txt");
    ExportWriter w(path);
    w.addRow({"Account", "Name", "Balance"});
    w.addRow({"1010", "Caf\u00e9 \u20ac \"petty\"", "-1,250.00"});
    w.addRow({"a\tb", "line1\r\nline2", "x\ny", "cr\ronly", "\n\r"});
    w.addRow({"\"Net 30\" terms", "\"open\r\n"});
    w.addRow({});
    w.addRow({QStringLiteral("nul") + QChar(0) + QStringLiteral("inside"), QString(QChar(0))});
    QCOMPARE(w.rowCount(), 6);
    QVERIFY2(w.commit(), qPrintable(w.errorString()));
    QCOMPARE(contentOf(path), QByteArray("Account\tName\tBalance\r\n"
                                         "1010\tCaf\xc3\xa9 \xe2\x82\xac \"petty\"\t-1,250.00\r\n"
                                         "a b\tline1 line2\tx y\tcr only\t  \r\n"
                                         "\"\"\"Net 30\"\" terms\"\t\"\"\"open \"\r\n"
                                         "\r\n"
                                         "nul inside\t \r\n"));
    QCOMPARE(entries(dir.path()), QStringList{"balances.txt"}); // no temporary left beside it

    // A writer that is dropped before commit() writes nothing.
    {
        ExportWriter dropped(dir.filePath("cancelled.txt"));
        dropped.addRow({"x"});
    }
    QVERIFY(!QFile::exists(dir.filePath("cancelled.txt")));
}

void tst_ExportWriter::failedOpenLeavesNoFile()
{
    QTemporaryDir dir;
    ExportWriter missing(dir.filePath("no such folder/out.txt"));
    missing.addRow({"a"});
    QVERIFY(!missing.commit());
    QVERIFY(missing.errorString().contains("out.txt"));
}

void tst_ExportWriter::readOnlyFolderLeavesNoFile()
{
    if (::geteuid() == 0)
        QSKIP("a read-only folder does not stop root");
    QTemporaryDir dir;
    const QString locked = dir.filePath("locked");
    QVERIFY(QDir().mkdir(locked));
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    ExportWriter w(locked + "/out.txt");
    w.addRow({"a"});
    QVERIFY(!w.commit());
    QVERIFY(!w.errorString().isEmpty());
    QVERIFY(entries(locked).isEmpty());
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

void tst_ExportWriter::failedWriteKeepsTheOldFile_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("limit");
    QTest::newRow("larger than the write buffer") << 5000 << 4096;
    // A short write inside the buffer shows only when it is flushed at the commit.
    QTest::newRow("smaller than the write buffer") << 100 << 1000;
}

void tst_ExportWriter::failedWriteKeepsTheOldFile()
{
    QFETCH(int, rows);
    QFETCH(int, limit);
    QTemporaryDir dir;
    const QString path = dir.filePath("old.txt");
    {
        ExportWriter first(path);
        first.addRow({"old", "content"});
        QVERIFY(first.commit());
    }
    ExportWriter big(path);
    for (int i = 0; i < rows; ++i)
        big.addRow({QString::number(i), QString(40, u'x')});

    // A file-size limit makes the write fail part-way, as a full disk would, even for root.
    rlimit saved{};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = rlim_t(limit);
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = big.commit();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    QVERIFY(!written);
    QCOMPARE(big.errorString(), ExportWriter::failureText(path, qt_error_string(EFBIG)));
    QCOMPARE(contentOf(path), QByteArray("old\tcontent\r\n"));
    QCOMPARE(entries(dir.path()), QStringList{"old.txt"});
}

void tst_ExportWriter::refusesWhatIsNotARegularFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("device") << "device";
    QTest::newRow("pipe") << "pipe";
    QTest::newRow("folder") << "folder";
}

void tst_ExportWriter::refusesWhatIsNotARegularFile()
{
    QFETCH(QString, kind);
    TestSeams seams;
    const QString path = seams.path("export.xls");
    const QByteArray name = QFile::encodeName(path);
    // A device node of its own: a fault here must not cost the system its /dev/full.
    if (kind == "device" && ::mknod(name.constData(), S_IFCHR | 0600, makedev(1, 7)) != 0)
        QSKIP("no device node can be made here");
    QVERIFY(kind != "pipe" || ::mkfifo(name.constData(), 0600) == 0);
    QVERIFY(kind != "folder" || QDir().mkdir(path));
    const QStringList before = entries(seams.folder());

    // Refused before the overwrite question, and by the writer on its own too.
    seams.prompter.answers = {Prompter::Yes};
    QVERIFY(!ExportWriter::mayReplace(path, "Export"));
    QCOMPARE(seams.prompter.texts(), QStringList{"The file " + path + " could not be written: it is not a regular file "
                                                 "but a device, a pipe or a folder, which is not replaced."});
    ExportWriter w(path);
    w.addRow({"a"});
    QVERIFY(!w.commit());
    QCOMPARE(w.errorString(), seams.prompter.lastText());
    QVERIFY(QFileInfo::exists(path) && !QFileInfo(path).isFile());
    QCOMPARE(entries(seams.folder()), before);
}

void tst_ExportWriter::givesTheSystemsReason()
{
    // A system file whose folder takes no new file: never "no such file".
    const QByteArray before = contentOf("/proc/version");
    ExportWriter w("/proc/version");
    w.addRow({"x"});
    QVERIFY(!w.commit());
    QVERIFY2(!w.errorString().contains(qt_error_string(ENOENT)), qPrintable(w.errorString()));
    QCOMPARE(contentOf("/proc/version"), before);
}

void tst_ExportWriter::fileInUse()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("report.xlsx");
    QVERIFY(!FileInUse::isFileAlreadyOpen(path)); // missing
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("data");
    }
    QVERIFY(!FileInUse::isFileAlreadyOpen(path));

    const QString lockFile = dir.filePath(".~lock.report.xlsx#");
    QVERIFY(QFile(lockFile).open(QIODevice::WriteOnly));
    QVERIFY(FileInUse::isFileAlreadyOpen(path));
    QVERIFY(QFile::remove(lockFile));
    QVERIFY(!FileInUse::isFileAlreadyOpen(path));

    // A lock counts only when another process holds it: a child takes it, reports through a
    // pipe, and waits until it is killed.
    int ready[2];
    QCOMPARE(::pipe(ready), 0);
    const QByteArray name = QFile::encodeName(path);
    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        ::close(ready[0]);
        const int fd = ::open(name.constData(), O_RDWR);
        struct flock lock = {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        const char ok = (fd >= 0 && ::fcntl(fd, F_SETLK, &lock) == 0) ? '1' : '0';
        if (::write(ready[1], &ok, 1) != 1)
            ::_exit(1);
        for (;;)
            ::pause();
    }
    ::close(ready[1]);
    char ok = 0;
    const bool heard = ::read(ready[0], &ok, 1) == 1;
    ::close(ready[0]);
    const bool inUse = FileInUse::isFileAlreadyOpen(path);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);

    QVERIFY(heard && ok == '1');
    QVERIFY(inUse);
    QVERIFY(!FileInUse::isFileAlreadyOpen(path)); // the lock went with the process
}

QTEST_GUILESS_MAIN(tst_ExportWriter)
#include "tst_exportwriter.moc"
