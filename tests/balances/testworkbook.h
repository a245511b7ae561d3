#pragma once

#include <QList>
#include <QString>

// A workbook the tests write as .xls or .xlsx: per row an account number in column A and an amount
// in column B, the amount in one of the cell formats (Custom is customFormat, under customFormatId;
// the built-in ones the workbook leaves undefined: date 14, time 20, a date of East Asian locales 31).
struct TestWorkbook
{
    enum Format { General, BuiltInDate, Custom, BuiltInTime, LocaleDate };
    struct Row
    {
        double account, amount;
        Format format = General;
    };
    struct Sheet
    {
        QList<Row> rows;
        bool hidden = false;
        bool veryHidden = false;
    };
    QList<Sheet> sheets;
    int activeTab = 0;
    bool date1904 = false;
    QString customFormat = QStringLiteral("dd.mm.yyyy hh:mm");
    int customFormatId = 164; // the first id a workbook gives its own formats

    bool writeXlsx(const QString& path) const;
    bool writeXls(const QString& path) const;
};
