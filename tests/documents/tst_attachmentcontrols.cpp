#include "apperror.h"
#include "attachdocument.h"
#include "ctlattachedfiles.h"
#include "documentsfixture.h"
#include "modutility.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <memory>

// The attach and edit dialogs and both attachment lists, driven headless in a plain host widget:
// what each button writes, opens and says, for all three owner kinds.
class tst_AttachmentControls : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void attachRefusesBadInput_data();
    void attachRefusesBadInput();
    void closingWithoutOkIsCancel_data();
    void closingWithoutOkIsCancel();
    void accountDialogDates_data();
    void accountDialogDates();
    void browseAndCloseDateBox();
    void accountListOffersDates();
    void emptyListMessages_data();
    void emptyListMessages();
    void everyOwnerKindRoundTrip_data();
    void everyOwnerKindRoundTrip();
    void buttonsWithoutSelectedRowDoNothing();
    void viewFallsBack();
    void saveAsRules();
    void saveFailureReachesHostAndRetryWorks();
    void screenshots();
};

namespace {

template <typename W> W* child(QObject* parent, const char* name)
{
    W* w = parent->findChild<W*>(QLatin1String(name));
    if (!w)
        qFatal("no control %s", name);
    return w;
}

void click(QObject* parent, const char* name)
{
    child<QPushButton>(parent, name)->click();
}

// Answers an attach dialog: fills the fields it has, then presses OK.
std::function<int(QDialog&)> answer(const QString& path, const QString& desc, const QString& open = {},
                                    const QString& close = {})
{
    return [=](QDialog& d) {
        if (!path.isNull())
            child<QLineEdit>(&d, "txtFilePathAndName")->setText(path);
        child<QLineEdit>(&d, "txtAttchDocDesc")->setText(desc);
        if (!open.isNull())
            child<QLineEdit>(&d, "dtpRecDocOpenDate")->setText(open);
        if (!close.isNull()) {
            child<QCheckBox>(&d, "ChkCloseDate")->setChecked(!close.isEmpty());
            child<QLineEdit>(&d, "dtpRecDocCloseDate")->setText(close);
        }
        click(&d, "btnOK");
        return d.result();
    };
}

// A plain widget standing in for the item and reconciliation dialogs that host the lists.
struct Host
{
    QWidget widget;
    AttachedFilesControl* control;

    explicit Host(int kind, qint32 itemId = 42)
    {
        auto* layout = new QVBoxLayout(&widget);
        if (kind == 2) {
            auto* c = new ctlAttachedFiles1(&widget);
            c->setDocCheckDate(u"03/31/2024"_qs);
            control = c;
        } else {
            control = new ctlAttachedFiles(&widget);
            control->setRecItemId(itemId);
        }
        layout->addWidget(control);
        ModelFixture::addAccount(7);
        control->setAccountId(7);
        control->setItemType(kind);
        control->intitalize();
        control->loadListView();
    }
    QTreeWidget* rows() const { return control->listView(); }
};

} // namespace

void tst_AttachmentControls::attachRefusesBadInput_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("desc");
    QTest::addColumn<QString>("message"); // "" when accepted
    QTest::newRow("empty path") << QString() << u"x"_qs << u"Please select a file."_qs;
    QTest::newRow("two characters") << u"/a"_qs << u"x"_qs << u"Please select a file."_qs;
    QTest::newRow("missing") << u"@/missing.pdf"_qs << u"x"_qs << u"cannot be found"_qs;
    QTest::newRow("deleted after choosing") << u"@/deleted.pdf"_qs << u"x"_qs << u"cannot be found"_qs;
    QTest::newRow("relative") << u"a.pdf"_qs << u"x"_qs << u"full path"_qs;
    QTest::newRow("folder") << u"@/sub.dir"_qs << u"x"_qs << u"is a folder"_qs;
    QTest::newRow("extension too long") << u"@/a.thirteenchars"_qs << u"x"_qs << u"too long"_qs;
    QTest::newRow("151 characters") << u"@/a.pdf"_qs << QString(151, u'd') << u"at most 150"_qs;
    QTest::newRow("quotes and non-ASCII")
        << u"@/a.pdf"_qs << u"He said \"hi\"; O'Neil \\ %_ — Zoë"_qs << QString();
    QTest::newRow("home folder") << u"~/a.pdf"_qs << u"x"_qs << QString();
    QTest::newRow("empty file, dotted folder") << u"@/sub.dir/README"_qs << QString() << QString();
}

void tst_AttachmentControls::attachRefusesBadInput()
{
    QFETCH(QString, path);
    QFETCH(QString, desc);
    QFETCH(QString, message);
    DocumentsFixture fx;
    fx.file(u"a.pdf"_qs);
    fx.file(u"a.thirteenchars"_qs);
    QDir(fx.seams.folder()).mkdir(u"sub.dir"_qs);
    fx.file(u"sub.dir/README"_qs, 0);
    fx.file(u"deleted.pdf"_qs);
    path.replace(u"@"_qs, fx.seams.folder());

    AttachDocument dialog;
    fx.seams.chooser.answers << path;
    click(&dialog, "cmdBrowse");
    QFile::remove(fx.seams.path(u"deleted.pdf"_qs)); // between choosing and OK
    child<QLineEdit>(&dialog, "txtFilePathAndName")->setText(path);
    child<QLineEdit>(&dialog, "txtAttchDocDesc")->setText(desc);
    click(&dialog, "btnOK");
    if (message.isEmpty()) {
        QCOMPARE(fx.seams.prompter.messages.size(), 0);
        QVERIFY(!dialog.Cancelled());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.AttachDocDesc(), desc);
        QCOMPARE(dialog.FileSource(), path.replace(u"~"_qs, QDir::homePath()));
        QCOMPARE(dialog.AttachDocFile().size(), 38 + modUtility::GetFileExtension(path).size());
    } else {
        QVERIFY2(fx.seams.prompter.lastText().contains(message), qPrintable(fx.seams.prompter.lastText()));
        QVERIFY(dialog.Cancelled());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        // The user's input stays for another try.
        QCOMPARE(child<QLineEdit>(&dialog, "txtAttchDocDesc")->text(), desc);
    }
}

void tst_AttachmentControls::closingWithoutOkIsCancel_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Cancel") << u"cancel"_qs;
    QTest::newRow("Esc") << u"esc"_qs;
    QTest::newRow("close box") << u"close"_qs;
}

void tst_AttachmentControls::closingWithoutOkIsCancel()
{
    QFETCH(QString, how);
    DocumentsFixture fx;
    Host host(1);
    host.control->setDialogRunner([&](QDialog& d) {
        child<QLineEdit>(&d, "txtFilePathAndName")->setText(fx.file(u"a.pdf"_qs));
        child<QLineEdit>(&d, "txtAttchDocDesc")->setText(u"typed, then thought better of"_qs);
        d.show();
        if (how == u"cancel"_qs)
            click(&d, "CancelButton");
        else if (how == u"esc"_qs)
            QTest::keyClick(&d, Qt::Key_Escape);
        else
            d.close();
        return d.result();
    });
    click(host.control, "btnAdd");
    QCOMPARE(host.rows()->topLevelItemCount(), 0);
    QVERIFY(!host.control->list().getIsDirty());

    // An edit closed the same way keeps the description.
    host.control->setDialogRunner(answer(fx.file(u"b.pdf"_qs), u"kept"_qs));
    click(host.control, "btnAdd");
    host.control->setDialogRunner([&](QDialog& d) {
        child<QLineEdit>(&d, "txtAttchDocDesc")->clear();
        d.show();
        QTest::keyClick(&d, Qt::Key_Escape);
        return d.result();
    });
    click(host.control, "btnEdit");
    QCOMPARE(host.rows()->topLevelItem(0)->text(1), u"kept"_qs);
    QCOMPARE(host.control->list().getFiles().first().getDocDesc(), u"kept"_qs);
}

void tst_AttachmentControls::accountDialogDates_data()
{
    QTest::addColumn<QString>("open");
    QTest::addColumn<QString>("close"); // null: close box left unticked
    QTest::addColumn<QString>("message");
    QTest::newRow("open out of range")
        << u"13/45/2024"_qs << QString() << u"The entry for Open Date is invalid."_qs;
    QTest::newRow("open empty") << QString(u""_qs) << QString() << u"The entry for Open Date is invalid."_qs;
    QTest::newRow("open 02/30") << u"02/30/2024"_qs << QString() << u"The entry for Open Date is invalid."_qs;
    QTest::newRow("close invalid") << u"03/01/2024"_qs << u"02/30/2024"_qs
                                   << u"The entry for Close Date is invalid."_qs;
    QTest::newRow("close equal") << u"03/01/2024"_qs << u"03/01/2024"_qs
                                 << u"The Close Date must be after"_qs;
    QTest::newRow("close before") << u"03/01/2024"_qs << u"02/29/2024"_qs
                                  << u"The Close Date must be after"_qs;
    QTest::newRow("close after") << u"03/01/2024"_qs << u"3/2/24"_qs << QString();
    QTest::newRow("no close date") << u"030124"_qs << QString() << QString();
}

void tst_AttachmentControls::accountDialogDates()
{
    QFETCH(QString, open);
    QFETCH(QString, close);
    QFETCH(QString, message);
    DocumentsFixture fx;
    AttachDocument1 dialog;
    dialog.setDocCheckDate(u"03/31/2024"_qs);
    answer(fx.file(u"a.pdf"_qs), u"d"_qs, open, close)(dialog);
    if (message.isEmpty()) {
        QVERIFY(!dialog.Cancelled());
        QCOMPARE(dialog.openDateValue(), u"03/01/2024"_qs);
        QCOMPARE(dialog.closeDateValue(), close.isNull() ? QString() : u"03/02/2024"_qs);
    } else {
        QVERIFY(dialog.Cancelled());
        QVERIFY2(fx.seams.prompter.lastText().startsWith(message), qPrintable(fx.seams.prompter.lastText()));
    }
}

void tst_AttachmentControls::browseAndCloseDateBox()
{
    DocumentsFixture fx;
    AttachDocument1 dialog;
    dialog.setDocCheckDate(u"03/31/2024"_qs);
    auto* path = child<QLineEdit>(&dialog, "txtFilePathAndName");
    fx.seams.chooser.answers << u"/x/chosen.pdf"_qs << QString();
    click(&dialog, "cmdBrowse");
    click(&dialog, "cmdBrowse"); // cancelled: the path stays
    QCOMPARE(path->text(), u"/x/chosen.pdf"_qs);
    QCOMPARE(fx.seams.chooser.titles.first(), u"Open File to attach"_qs);

    auto* tick = child<QCheckBox>(&dialog, "ChkCloseDate");
    auto* close = child<QLineEdit>(&dialog, "dtpRecDocCloseDate");
    QVERIFY(!close->isEnabled());
    tick->click();
    QVERIFY(close->isEnabled());
    QCOMPARE(close->text(), u"03/31/2024"_qs);
    tick->click();
    QVERIFY(!close->isEnabled());
    QVERIFY(close->text().isEmpty());

    // Enter in the description does what OK does.
    path->setText(fx.file(u"chosen.pdf"_qs));
    child<QLineEdit>(&dialog, "dtpRecDocOpenDate")->setText(u"03/31/2024"_qs);
    QTest::keyClick(child<QLineEdit>(&dialog, "txtAttchDocDesc"), Qt::Key_Return);
    QVERIFY(!dialog.Cancelled());
    QCOMPARE(dialog.FileSource(), fx.seams.path(u"chosen.pdf"_qs));
}

void tst_AttachmentControls::accountListOffersDates()
{
    DocumentsFixture fx;
    Host host(2);
    QStringList seen;
    const auto look = [&](QDialog& d) {
        seen << child<QLineEdit>(&d, "dtpRecDocOpenDate")->text() + u'|' +
                    QString::number(child<QCheckBox>(&d, "ChkCloseDate")->isChecked()) + u'|' +
                    child<QLineEdit>(&d, "dtpRecDocCloseDate")->text() + u'|' +
                    QString::number(child<QLineEdit>(&d, "txtFilePathAndName")->isVisibleTo(&d));
    };
    host.control->setDialogRunner([&](QDialog& d) {
        look(d);
        return answer(fx.file(u"a.pdf"_qs), u"a"_qs, u"03/01/2024"_qs, u"06/30/2024"_qs)(d);
    });
    click(host.control, "btnAdd");
    host.control->setDialogRunner([&](QDialog& d) {
        look(d);
        return 0;
    });
    click(host.control, "btnEdit");
    // New: the reconciliation date, no close date; Edit: the attachment's dates, the box ticked.
    QCOMPARE(seen, (QStringList{u"03/31/2024|0||1"_qs, u"03/01/2024|1|06/30/2024|0"_qs}));
}

void tst_AttachmentControls::emptyListMessages_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("message");
    QTest::newRow("Edit") << u"btnEdit"_qs << u"There is no file to edit."_qs;
    QTest::newRow("Delete") << u"btnDelete"_qs << u"There is no file to delete."_qs;
    QTest::newRow("View") << u"btnView"_qs << u"There is no file to view."_qs;
    QTest::newRow("Save As") << u"btnSaveFile"_qs << u"There is no file to save."_qs;
}

void tst_AttachmentControls::emptyListMessages()
{
    QFETCH(QString, button);
    QFETCH(QString, message);
    DocumentsFixture fx;
    Host host(2);
    auto* b = child<QPushButton>(host.control, qPrintable(button));
    QVERIFY(!b->isEnabled());
    QVERIFY(child<QPushButton>(host.control, "btnAdd")->isEnabled());
    // The handler itself, as a shortcut would reach it on a disabled button.
    QMetaObject::invokeMethod(b, "clicked", Q_ARG(bool, false));
    QCOMPARE(fx.seams.prompter.texts(), QStringList{message});
    QCOMPARE(fx.seams.prompter.lastTitle(), u"Corvantis"_qs);
}

void tst_AttachmentControls::everyOwnerKindRoundTrip_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("amortizable item") << 0;
    QTest::newRow("reconciling item") << 1;
    QTest::newRow("account") << 2;
}

void tst_AttachmentControls::everyOwnerKindRoundTrip()
{
    QFETCH(int, kind);
    DocumentsFixture fx;
    const QString source = fx.file(u"statement.pdf"_qs, 70000);
    {
        Host host(kind);
        host.control->setDialogRunner(
            answer(source, u"March statement"_qs, kind == 2 ? u"03/01/2024"_qs : QString()));
        click(host.control, "btnAdd");
        QCOMPARE(host.rows()->topLevelItemCount(), 1);
        QCOMPARE(host.rows()->topLevelItem(0)->text(0), u"statement.pdf"_qs);
        QVERIFY(child<QPushButton>(host.control, "btnView")->isEnabled());
        QCOMPARE(fx.rows(u"AttachedDocument"_qs), 0); // written only when the host is confirmed
        host.control->SaveFiles();
    }
    QCOMPARE(fx.rows(u"AttachedDocument"_qs), 1);

    Host host(kind);
    QCOMPARE(host.rows()->topLevelItemCount(), 1);
    QTreeWidgetItem* row = host.rows()->topLevelItem(0);
    const QString key = host.control->list().getFiles().first().getDocPath();
    QCOMPARE(row->text(1), u"March statement"_qs);
    if (kind == 2)
        QCOMPARE(row->text(2), u"03/01/2024"_qs);

    host.control->setDialogRunner(answer(QString(), u"Statement, corrected"_qs,
                                         kind == 2 ? u"03/05/2024"_qs : QString(),
                                         kind == 2 ? u"04/30/2024"_qs : QString()));
    click(host.control, "btnEdit");
    QCOMPARE(row->text(1), u"Statement, corrected"_qs);
    host.control->SaveFiles();
    QCOMPARE(fx.value(u"SELECT DocDesc FROM AttachedDocument"_qs).toString(), u"Statement, corrected"_qs);
    if (kind == 2)
        QCOMPARE(fx.value(u"SELECT OpenDate || CloseDate FROM AttachedDocument"_qs).toString(),
                 u"2024-03-052024-04-30"_qs);

    // View: the folder copy; once it is gone, the copy written back from the documents database.
    click(host.control, "btnView");
    QFile::remove(fx.copyOf(key));
    click(host.control, "btnView");
    QCOMPARE(fx.seams.opener.opened, QStringList(2, fx.copyOf(key)));
    QCOMPARE(fx.read(fx.copyOf(key)), fx.read(source));

    const QString target = fx.seams.path(u"saved.pdf"_qs);
    fx.seams.chooser.answers << target;
    click(host.control, "btnSaveFile");
    QCOMPARE(fx.read(target), fx.read(source));

    click(host.control, "btnDelete");
    QCOMPARE(host.rows()->topLevelItemCount(), 0);
    QVERIFY(!child<QPushButton>(host.control, "btnEdit")->isEnabled());
    QCOMPARE(fx.rows(u"AttachedDocument"_qs), 0);
    QCOMPARE(fx.documentRows(), 1);
    QVERIFY(fx.seams.prompter.messages.isEmpty());
}

void tst_AttachmentControls::buttonsWithoutSelectedRowDoNothing()
{
    DocumentsFixture fx;
    Host host(1);
    host.control->setDialogRunner(answer(fx.file(u"a.pdf"_qs), u"a"_qs));
    click(host.control, "btnAdd");
    host.control->SaveFiles();
    host.rows()->clearSelection();
    bool ran = false;
    host.control->setDialogRunner([&](QDialog&) {
        ran = true;
        return 0;
    });
    for (const char* b : {"btnEdit", "btnView", "btnSaveFile", "btnDelete"})
        click(host.control, b);
    QVERIFY(!ran);
    QVERIFY(fx.seams.prompter.messages.isEmpty());
    QVERIFY(fx.seams.opener.opened.isEmpty());
    QVERIFY(fx.seams.chooser.titles.isEmpty());
    QCOMPARE(fx.rows(u"AttachedDocument"_qs), 1);
}

void tst_AttachmentControls::viewFallsBack()
{
    DocumentsFixture fx;
    Host host(1);
    const QString source = fx.file(u"a.pdf"_qs);
    host.control->setDialogRunner(answer(source, u"a"_qs));
    click(host.control, "btnAdd");
    click(host.control, "btnView"); // not stored yet: the picked file
    QCOMPARE(fx.seams.opener.opened, QStringList{source});
    QFile::remove(source);
    click(host.control, "btnView");
    QCOMPARE(fx.seams.prompter.texts(), QStringList{u"The file is not available."_qs});
    QCOMPARE(fx.seams.opener.opened.size(), 1);
}

void tst_AttachmentControls::saveAsRules()
{
    DocumentsFixture fx;
    Host host(1);
    const QString source = fx.file(u"report.pdf"_qs);
    host.control->setDialogRunner(answer(source, u"a"_qs));
    click(host.control, "btnAdd");
    host.control->SaveFiles();
    const QString key = host.control->list().getFiles().first().getDocPath();
    auto& chooser = fx.seams.chooser;
    auto& prompter = fx.seams.prompter;

    chooser.answers << QString(); // cancelled
    click(host.control, "btnSaveFile");
    QCOMPARE(chooser.startPaths.first(), QDir::homePath() + u"/report.pdf"_qs);
    QCOMPARE(chooser.titles.first(), u"Save the attached file as"_qs);
    QVERIFY(prompter.messages.isEmpty());

    chooser.answers << fx.copyOf(key); // onto its own source
    click(host.control, "btnSaveFile");
    QVERIFY(prompter.lastText().contains(u"onto itself"_qs));

    const QString existing = TestDb::textFile(fx.seams.folder(), u"existing.pdf"_qs, "keep me");
    chooser.answers << existing << existing;
    prompter.answers << Prompter::No << Prompter::Yes;
    click(host.control, "btnSaveFile");
    QCOMPARE(fx.read(existing), QByteArray("keep me"));
    QVERIFY(prompter.lastText().contains(u"already exists"_qs));
    click(host.control, "btnSaveFile");
    QCOMPARE(fx.read(existing), fx.read(source));

    prompter.clear();
    chooser.answers << existing + u"/inside.pdf"_qs; // a file stands where the folder should be
    click(host.control, "btnSaveFile");
    QVERIFY2(prompter.lastText().contains(u"could not be written"_qs), qPrintable(prompter.lastText()));
    if (!TestDb::onServer()) {
        chooser.answers << fx.docsPath; // the open documents database
        click(host.control, "btnSaveFile");
        QVERIFY(prompter.lastText().contains(u"database that Corvantis is using"_qs));
    }

    // Neither in the folder, nor in the database, nor at the picked path.
    Db::exec(fx.docs(), u"DELETE FROM Document"_qs);
    QFile::remove(fx.copyOf(key));
    QFile::remove(source);
    prompter.clear();
    const QString nowhere = fx.seams.path(u"nowhere.pdf"_qs);
    chooser.answers << nowhere;
    click(host.control, "btnSaveFile");
    QCOMPARE(prompter.texts(), QStringList{u"The file is not saved to database yet."_qs});
    QVERIFY(!QFileInfo::exists(nowhere));
}

void tst_AttachmentControls::saveFailureReachesHostAndRetryWorks()
{
    DocumentsFixture fx;
    Host host(0);
    host.control->setDialogRunner(answer(fx.file(u"a.pdf"_qs), u"a"_qs));
    click(host.control, "btnAdd");
    TestDb::failInserts(fx.db, u"AttachedDocument"_qs);
    QVERIFY_THROWS_EXCEPTION(AppError, host.control->SaveFiles());
    QCOMPARE(host.rows()->topLevelItemCount(), 1); // the user's work stays
    TestDb::mendInserts(fx.db, u"AttachedDocument"_qs);
    host.control->SaveFiles();
    QCOMPARE(fx.rows(u"AttachedDocument"_qs), 1);
    QCOMPARE(fx.documentRows(), 1);
}

void tst_AttachmentControls::screenshots()
{
    const QString out = qEnvironmentVariable("CORVANTIS_SCREENSHOTS");
    if (out.isEmpty())
        QSKIP("set CORVANTIS_SCREENSHOTS to a folder to write the pictures");
    DocumentsFixture fx;
    for (int kind : {1, 2}) {
        Host host(kind);
        host.control->setDialogRunner(answer(fx.file(u"Bank statement March.pdf"_qs),
                                             u"Statement of the operating account"_qs,
                                             kind == 2 ? u"03/01/2024"_qs : QString()));
        click(host.control, "btnAdd");
        host.control->setDialogRunner(
            answer(fx.file(u"Invoice 4711.pdf"_qs), u"Invoice for the insurance premium"_qs,
                   kind == 2 ? u"01/01/2024"_qs : QString(), kind == 2 ? u"12/31/2024"_qs : QString()));
        click(host.control, "btnAdd");
        host.widget.resize(760, 220);
        host.widget.show();
        QVERIFY(host.widget.grab().save(out + u"/list-kind%1.png"_qs.arg(kind)));
    }
    AttachDocument attach;
    child<QLineEdit>(&attach, "txtFilePathAndName")
        ->setText(u"/home/ann/Documents/Bank statement March.pdf"_qs);
    attach.show();
    QVERIFY(attach.grab().save(out + u"/attachdocument.png"_qs));
    AttachDocument1 account;
    account.setDocCheckDate(u"03/31/2024"_qs);
    account.setOpenDateValue(u"03/31/2024"_qs);
    child<QCheckBox>(&account, "ChkCloseDate")->setChecked(true);
    account.show();
    QVERIFY(account.grab().save(out + u"/attachdocument1.png"_qs));
    AttachDocument edit;
    edit.InitializEdit(u"Statement of the operating account"_qs);
    edit.show();
    QVERIFY(edit.grab().save(out + u"/attachdocument-edit.png"_qs));
}

QTEST_MAIN(tst_AttachmentControls)
#include "tst_attachmentcontrols.moc"
