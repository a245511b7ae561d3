// The return of the reconciliation loop to the review selection over 10,000 accounts x 24
// month-ends: after a reconciliation dialog closes, the date is kept and the same selection shows
// again over a fresh grid. Timed from the dialog's close to the reloaded grid, against the raw
// queries of the same rows in the same run; the statements are counted, and the filters must come
// from the open selection, not from the settings read again.
#include "apppages.h"
#include "benchsupport.h"
#include "db.h"
#include "global.h"
#include "modregistry.h"
#include "navigator.h"
#include "recselectdialog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableView>

namespace {

int measure(Bench::Engine engine)
{
    const QString name = Bench::named(QStringLiteral("rec-loop-return"), engine);
    const Bench::Ledger ledger(10000, engine);
    Global::isDocDBValid = true;
    Global::setCurrentRecDate(QStringLiteral("11/30/2024"));
    const QString key = RecSelectDialogBase::settingsKey();
    modRegistry::setSetting(QStringLiteral("HKCU"), key, QStringLiteral("optAcctType"), QStringLiteral("D"), 1);
    modRegistry::setSetting(QStringLiteral("HKCU"), key, QStringLiteral("optKeyControl"), QStringLiteral("D"), 2);
    Global::gridSortState = {0, 0, 0, 0, 1, 0, 6, 0, 0, 0};

    constexpr int rounds = 4;
    int shown = 0;
    qint64 gridRows = 0, statementsAtClose = 0, returnStatements = 0;
    double best = 0;
    QElapsedTimer sinceClose;
    Navigator nav;
    nav.setDialogRunner([&](QDialog& d) {
        if (d.objectName() != QStringLiteral("RecSelectDialog")) {
            // The first account's reconciliation, left by Cancel: the return starts here.
            d.show();
            d.findChild<QPushButton*>(QStringLiteral("CmdCancel"))->click();
            d.hide();
            statementsAtClose = Db::statementCount();
            sinceClose.start();
            return d.result();
        }
        d.show(); // showing reloads the grid
        if (shown > 0) {
            const double ms = sinceClose.nsecsElapsed() / 1e6;
            best = shown == 1 ? ms : std::min(best, ms);
            returnStatements = Db::statementCount() - statementsAtClose;
        } else {
            // Settings that would empty the grid if they were read again on the way back.
            modRegistry::setSetting(QStringLiteral("HKCU"), key, QStringLiteral("optKeyControl"), QStringLiteral("D"), 0);
        }
        gridRows = d.findChild<QTableView*>(QStringLiteral("grd"))->model()->rowCount();
        ++shown;
        d.findChild<QPushButton*>(shown <= rounds ? QStringLiteral("OKButton") : QStringLiteral("CancelButton"))->click();
        d.hide();
        return d.result();
    });
    nav.navigate(QStringLiteral("event:REC_REVIEW"));
    if (shown != rounds + 1 || gridRows != 10000)
        return Bench::fail(name + QStringLiteral(": the selection did not come back over every account"));

    // The grid's own load, for the count of its statements.
    RecSelectDialog grid;
    grid.show();
    const qint64 before = Db::statementCount();
    grid.LoadGLAccountDBGridView();
    const qint64 gridStatements = Db::statementCount() - before;
    if (returnStatements > gridStatements || returnStatements >= 10)
        return Bench::fail(name + QStringLiteral(": the return ran more than the grid's queries"));

    const double baseline =
        Bench::timeIt([&] { Bench::readReviewGridRows(ledger.baseline(), QStringLiteral("2024-11-30")); });
    Bench::print(name, best, baseline, gridRows, returnStatements);
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    AppPages::setFolder(QStringLiteral(CORVANTIS_HTML_DIR));
    int failed = 0;
    for (const Bench::Engine engine : Bench::engines())
        failed |= measure(engine);
    return failed;
}
