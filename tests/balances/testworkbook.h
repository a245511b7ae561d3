#pragma once

#include <QList>
#include <QString>

// A workbook made by the tests themselves, written as .xls or .xlsx: number cells only, column A
// an account number and column B an amount, each amount shown in one of three cell formats.
struct TestWorkbook
{
    enum Format { General, BuiltInDate, Custom }; // Custom: customFormat below
    struct Row
    {
        double account;
        double amount;
        Format format = General;
    };
    struct Sheet
    {
        QList<Row> rows;
        bool hidden = false;
    };
    QList<Sheet> sheets;
    int activeTab = 0; // the sheet the workbook was saved showing
    bool date1904 = false;
    QString customFormat = QStringLiteral("dd.mm.yyyy hh:mm");

    // Both return false (and warn) when the file could not be written.
    bool writeXlsx(const QString& path) const;
    bool writeXls(const QString& path) const;
};
