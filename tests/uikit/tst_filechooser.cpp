#include "db.h"
#include "desktopseams.h"
#include "filechooser.h"
#include "global.h"
#include "otherwriter.h"
#include "recorders.h"
#include "testdb.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QTest>
#include <QTimer>

// The real open dialog over the folder of the connected main database: listing the folder must
// not cost the program its locks on the file, or another program would delete its journal.
class tst_FileChooser : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void listingKeepsTheDatabaseLock();
};

namespace {

// Closes the open dialog once its list has shown the folder, with every file's type and icon.
void cancelWhenListed(const QString& folder)
{
    QTimer::singleShot(50, [folder] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        auto* model = dialog ? dialog->findChild<QFileSystemModel*>() : nullptr;
        if (!model) {
            cancelWhenListed(folder);
            return;
        }
        const QModelIndex root = model->index(folder);
        for (int waited = 0; model->rowCount(root) == 0 && waited < 10000; waited += 50)
            QTest::qWait(50);
        for (int row = 0; row < model->rowCount(root); ++row) {
            model->data(model->index(row, 2, root)); // the Type column
            model->fileIcon(model->index(row, 0, root));
        }
        QTest::qWait(500); // the model learns types and icons on a thread of its own
        dialog->reject();
    });
}

} // namespace

void tst_FileChooser::listingKeepsTheDatabaseLock()
{
    TestSeams seams;
    DesktopSeams::install();
    Global::mainDatabasePath = TestDb::emptyMain(seams.folder());
    const QString path = Global::mainDatabasePath;
    Global::executeSQL("INSERT INTO Company (CompanyName) VALUES ('Before')");
    QVERIFY(FileLocks::heldByThisProcess(path)); // the condition the test is about

    cancelWhenListed(seams.folder());
    // Started on the database file itself, as the login window's Browse starts.
    QCOMPARE(FileChooser::instance().openFile("Open Reconciliations Database", path, "Reconciliations (*.db)|*.db"),
             QString());

    QVERIFY(FileLocks::heldByThisProcess(path));
    // Another program that opens and closes the file leaves the journal the program uses...
    QCOMPARE(FileLocks::runOtherProgram(path, "SELECT 1"), QStringLiteral("1"));
    QVERIFY(QFile::exists(path + "-wal"));
    // ... and what the program writes next is in the file.
    Global::executeSQL("INSERT INTO Company (CompanyName) VALUES ('After')");
    QCOMPARE(FileLocks::runOtherProgram(path, "SELECT count(*) FROM Company WHERE CompanyName = 'After'"),
             QStringLiteral("1"));
}

QTEST_MAIN(tst_FileChooser)
#include "tst_filechooser.moc"
