#pragma once

#include <QList>
#include <QString>

// A workbook the tests write as .xls or .xlsx: per row an account number in column A and an amount
// in column B, the amount in one of three cell formats (Custom is customFormat).
struct TestWorkbook
{
    enum Format { General, BuiltInDate, Custom };
    struct Row
    {
        double account, amount;
        Format format = General;
    };
    struct Sheet
    {
        QList<Row> rows;
        bool hidden = false;
    };
    QList<Sheet> sheets;
    int activeTab = 0;
    bool date1904 = false;
    QString customFormat = QStringLiteral("dd.mm.yyyy hh:mm");

    bool writeXlsx(const QString& path) const;
    bool writeXls(const QString& path) const;
};
