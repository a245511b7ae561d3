#pragma once

#include "recdialogframe.h"

// The reconciliation of a list account ("L"): the balance at the period-end date explained by a
// list of reconciling items (of any type, open at the date); what they leave unexplained is the
// unidentified difference, which a comment must explain. Items are stored at once by their own
// dialog; Save & Exit stores the balance with its sign-offs, then the account's documents.
class ListRecDialog : public TwoLevelRecDialog
{
    Q_OBJECT
public:
    explicit ListRecDialog(QWidget* parent = nullptr);
};
