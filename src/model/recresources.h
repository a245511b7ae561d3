#pragma once

#include "reconcilingitemtype.h"

#include <QString>

class GLAccount;

// The window title of a reconciliation dialog: "Account " and the account number.
class RecDialogResource
{
public:
    QString getDialogTitle(const GLAccount& account) const;
};

// The labels, names and captions that belong to one reconciling-item type. initialize() comes
// first; before it every text is the one of an unknown type.
class RecItemResource
{
public:
    // Keeps the item type with that code; a code the item-type table does not hold raises the
    // type list's lookup error and leaves the object as it was.
    void initialize(const QString& code);

    QString getOpenDateLabel() const;
    QString getClosedDateLabel() const;
    QString getDescriptionLabel() const;
    QString getAmountLabel() const;
    QString getPluralTypeLabel() const;
    QString getDialogCaption() const;
    // "<caption> for Account <number>"; list items read "Item for Account <number>".
    QString getMainHeadingText(const GLAccount& account) const;

private:
    ReconcilingItemType m_type;
};

// The captions of the list dialog that shows the reconciling items of one type.
class RecItemListResource
{
public:
    // As RecItemResource::initialize.
    void initialize(const QString& code);

    QString getDialogCaption() const;
    // "Account <number> - <name>".
    QString getMainHeadingText(const GLAccount& account) const;
    // "All <plural type label> as of <Month d, yyyy>" for a date text such as "01/31/2024".
    QString getDescriptionText(const QString& date) const;

private:
    ReconcilingItemType m_type;
};
