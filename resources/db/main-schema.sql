-- Main (reconciliations) database: every table and index, and the fixed reference rows that
-- every new database starts with.
--
-- Stored values:
--   dates        TEXT 'YYYY-MM-DD', date-times TEXT 'YYYY-MM-DD HH:MM:SS'
--   money        INTEGER holding the amount times 10,000 (exact sums in SQL)
--   Yes/No flags TEXT 'Yes' or 'No', as the accounts hold them
--   Booleans     INTEGER 1 or 0
-- Columns that are looked up or compared by typed text use COLLATE NOCASE, so that they compare
-- without regard to letter case. There are no foreign keys: removing an account or an item leaves
-- the rows that refer to it in place on purpose.
-- Audit rows are numbered as they are inserted (AuditId): the newest row of a change is the one
-- with the highest number, whatever the time it carries.
-- The script is run one statement at a time: each statement ends with a semicolon at the end of
-- its last line, and no comment or text value holds one.

-- ---------------------------------------------------------------------------------------------
-- Reference tables
-- ---------------------------------------------------------------------------------------------

-- The one company row: name and currency code.
CREATE TABLE Company (
    CompanyName TEXT,
    Currency    TEXT
);

-- Consolidation (ERP) accounts that general-ledger accounts map to.
CREATE TABLE ERPNumbers (
    ERPNumber      TEXT COLLATE NOCASE NOT NULL PRIMARY KEY,
    ERPDescription TEXT
);

-- Reconciliation types: the code chooses the kind of reconciliation and its dialog.
CREATE TABLE ReconciliationType (
    recTypeCode TEXT COLLATE NOCASE NOT NULL PRIMARY KEY,
    name        TEXT,
    help        TEXT
);

-- Types of reconciling items.
CREATE TABLE ReconcilingItemType (
    recItemTypeCode TEXT COLLATE NOCASE NOT NULL PRIMARY KEY,
    name            TEXT
);

-- Helpful tips shown for an account type and reconciliation type pair.
CREATE TABLE GLAccountClassification (
    AccountTypeCode TEXT COLLATE NOCASE NOT NULL,
    RecTypeCode     TEXT COLLATE NOCASE NOT NULL,
    Help            TEXT
);

CREATE UNIQUE INDEX GLAccountClassification_Codes ON GLAccountClassification (AccountTypeCode, RecTypeCode);

-- Lists of values: the roles (SystemType 'ROLE') and currency codes (SystemType 'CURRENCY').
CREATE TABLE SystemType (
    SystemType TEXT COLLATE NOCASE NOT NULL,
    Value      TEXT
);

CREATE INDEX SystemType_SystemType ON SystemType (SystemType);

-- ---------------------------------------------------------------------------------------------
-- Users
-- ---------------------------------------------------------------------------------------------

-- Password holds 'pbkdf2-sha256$ROUNDS$SALT$HASH' (a plain text one is rewritten at its next login).
-- The three Chk columns are the sign-off rights, 1 or 0. rptname is the full name used in sign-offs.
CREATE TABLE Users (
    UserId        INTEGER PRIMARY KEY AUTOINCREMENT,
    UserName      TEXT COLLATE NOCASE,
    Password      TEXT,
    ChkPreparedBy INTEGER NOT NULL DEFAULT 0,
    ChkReviewedBy INTEGER NOT NULL DEFAULT 0,
    ChkApprovedBy INTEGER NOT NULL DEFAULT 0,
    Role          TEXT,
    rptname       TEXT
);

CREATE INDEX Users_UserName ON Users (UserName);

-- ---------------------------------------------------------------------------------------------
-- General-ledger accounts
-- ---------------------------------------------------------------------------------------------

CREATE TABLE GLAccount (
    glAcctID        INTEGER PRIMARY KEY AUTOINCREMENT,
    glacctnbr       TEXT COLLATE NOCASE,
    name            TEXT,
    comment         TEXT,
    CompanyPolicy   TEXT,
    accountTypeCode TEXT COLLATE NOCASE,
    recTypeCode     TEXT COLLATE NOCASE,
    keycontrol      TEXT COLLATE NOCASE,
    active          TEXT COLLATE NOCASE,
    ERPNumber       TEXT COLLATE NOCASE,
    CreateUser      TEXT,
    CreateDate      TEXT
);

CREATE INDEX GLAccount_glacctnbr ON GLAccount (glacctnbr);
CREATE INDEX GLAccount_accountTypeCode ON GLAccount (accountTypeCode);
CREATE INDEX GLAccount_recTypeCode ON GLAccount (recTypeCode);
CREATE INDEX GLAccount_active ON GLAccount (active, keycontrol);

-- One row per insert, update and delete of an account.
CREATE TABLE GLAccountAudit (
    AuditId         INTEGER PRIMARY KEY AUTOINCREMENT,
    glacctnbr       TEXT COLLATE NOCASE,
    name            TEXT,
    comment         TEXT,
    CompanyPolicy   TEXT,
    accountTypeCode TEXT COLLATE NOCASE,
    recTypeCode     TEXT COLLATE NOCASE,
    keycontrol      TEXT COLLATE NOCASE,
    active          TEXT COLLATE NOCASE,
    ERPNumber       TEXT COLLATE NOCASE,
    CreateUser      TEXT,
    CreateDate      TEXT,
    Activity        TEXT,
    ActivityDate    TEXT,
    ActivityUser    TEXT
);

CREATE INDEX GLAccountAudit_glacctnbr ON GLAccountAudit (glacctnbr);

-- ---------------------------------------------------------------------------------------------
-- Period-end balances
-- ---------------------------------------------------------------------------------------------

-- One row per account and period-end date. targetAmount is the balance per bank, per subledger or
-- as calculated. The sign-off columns hold full names, the sign-off date columns dates.
CREATE TABLE GLAccountBalance (
    glAcctID       INTEGER NOT NULL,
    Date           TEXT NOT NULL,
    amount         INTEGER,
    targetAmount   INTEGER,
    preparedBy     TEXT,
    comment        TEXT,
    ReconciledInd  INTEGER NOT NULL DEFAULT 0,
    reconciledDate TEXT,
    reviewedBy     TEXT,
    approvedBy     TEXT,
    PreparedByDate TEXT,
    ReviewedByDate TEXT,
    ApprovedByDate TEXT,
    CalcBasis      TEXT,
    CreateDate     TEXT,
    CreateUser     TEXT,
    UNIQUE (glAcctID, Date)
);

CREATE INDEX GLAccountBalance_Date ON GLAccountBalance (Date);

-- One row per store of a balance (inserts and updates only: balances are never deleted).
CREATE TABLE GLAccountBalanceAudit (
    AuditId         INTEGER PRIMARY KEY AUTOINCREMENT,
    glAcctID       INTEGER,
    Date           TEXT,
    amount         INTEGER,
    targetAmount   INTEGER,
    preparedBy     TEXT,
    comment        TEXT,
    ReconciledInd  INTEGER,
    reconciledDate TEXT,
    reviewedBy     TEXT,
    approvedBy     TEXT,
    PreparedByDate TEXT,
    ReviewedByDate TEXT,
    ApprovedByDate TEXT,
    CalcBasis      TEXT,
    CreateDate     TEXT,
    CreateUser     TEXT,
    Activity       TEXT,
    ActivityDate   TEXT,
    ActivityUser   TEXT
);

CREATE INDEX GLAccountBalanceAudit_Account ON GLAccountBalanceAudit (glAcctID, Date);

-- ---------------------------------------------------------------------------------------------
-- Reconciling items
-- ---------------------------------------------------------------------------------------------

-- An item is open from openDate until closeDate (NULL while still open).
-- ReqTiming: 'R' required adjustment, 'T' timing difference, 'L' list component, 'U' unresolved.
CREATE TABLE ReconcilingItem (
    RecItemId  INTEGER PRIMARY KEY AUTOINCREMENT,
    glAcctID   INTEGER,
    openDate   TEXT,
    closeDate  TEXT,
    comment    TEXT,
    amount     INTEGER,
    typeCode   TEXT COLLATE NOCASE,
    ReqTiming  TEXT COLLATE NOCASE,
    CreateUser TEXT,
    CreateDate TEXT
);

CREATE INDEX ReconcilingItem_Account ON ReconcilingItem (glAcctID, openDate);
CREATE INDEX ReconcilingItem_typeCode ON ReconcilingItem (typeCode);
CREATE INDEX ReconcilingItem_openDate ON ReconcilingItem (openDate);
CREATE INDEX ReconcilingItem_closeDate ON ReconcilingItem (closeDate);

-- One row per insert, update and delete of an item.
CREATE TABLE ReconcilingItemAudit (
    AuditId         INTEGER PRIMARY KEY AUTOINCREMENT,
    glAcctID     INTEGER,
    openDate     TEXT,
    closeDate    TEXT,
    comment      TEXT,
    amount       INTEGER,
    typeCode     TEXT COLLATE NOCASE,
    ReqTiming    TEXT COLLATE NOCASE,
    CreateDate   TEXT,
    CreateUser   TEXT,
    Activity     TEXT,
    ActivityUser TEXT,
    ActivityDate TEXT
);

CREATE INDEX ReconcilingItemAudit_Account ON ReconcilingItemAudit (glAcctID);

-- ---------------------------------------------------------------------------------------------
-- Prepaid (amortizable) items and their monthly schedules
-- ---------------------------------------------------------------------------------------------

CREATE TABLE AmortizableItem (
    AmortizableItemID INTEGER PRIMARY KEY AUTOINCREMENT,
    glAcctID          INTEGER,
    openDate          TEXT,
    startDate         TEXT,
    endDate           TEXT,
    amount            INTEGER,
    "desc"            TEXT,
    comment           TEXT,
    CreateDate        TEXT,
    CreateUser        TEXT
);

CREATE INDEX AmortizableItem_Account ON AmortizableItem (glAcctID, openDate);
CREATE INDEX AmortizableItem_endDate ON AmortizableItem (endDate);

-- One row per insert, update and delete of a prepaid item.
CREATE TABLE AmortizableItemAudit (
    AuditId         INTEGER PRIMARY KEY AUTOINCREMENT,
    glAcctID     INTEGER,
    openDate     TEXT,
    startDate    TEXT,
    endDate      TEXT,
    amount       INTEGER,
    "desc"       TEXT,
    comment      TEXT,
    CreateDate   TEXT,
    CreateUser   TEXT,
    Activity     TEXT,
    ActivityDate TEXT,
    ActivityUser TEXT
);

CREATE INDEX AmortizableItemAudit_Account ON AmortizableItemAudit (glAcctID);

-- One period of a schedule: the amount amortized at the month end in period.
CREATE TABLE Amortization (
    AmortizationID    INTEGER PRIMARY KEY AUTOINCREMENT,
    amortizableItemID INTEGER,
    period            TEXT,
    amount            INTEGER,
    CreateDate        TEXT,
    CreateUser        TEXT
);

CREATE INDEX Amortization_Item ON Amortization (amortizableItemID, period);

-- One row per insert, update and delete of a period.
CREATE TABLE AmortizationAudit (
    AuditId         INTEGER PRIMARY KEY AUTOINCREMENT,
    amortizableItemID INTEGER,
    period            TEXT,
    amount            INTEGER,
    CreateDate        TEXT,
    CreateUser        TEXT,
    Activity          TEXT,
    ActivityUser      TEXT,
    ActivityDate      TEXT
);

CREATE INDEX AmortizationAudit_Item ON AmortizationAudit (amortizableItemID);

-- ---------------------------------------------------------------------------------------------
-- Attached documents
-- ---------------------------------------------------------------------------------------------

-- One row per attached document, identified by its stored file name DocPath (the same name keys the
-- contents in the documents database). An id of -2 means no item of that kind: an account's own
-- documents have -2 in both RecItemId and AmortizableItemId. CreateUser is the login name.
CREATE TABLE AttachedDocument (
    GLAcctId          INTEGER,
    RecItemId         INTEGER,
    AmortizableItemId INTEGER,
    DocPath           TEXT,
    DocDesc           TEXT,
    FileSource        TEXT,
    OpenDate          TEXT,
    CloseDate         TEXT,
    CreateDate        TEXT,
    CreateUser        TEXT
);

CREATE UNIQUE INDEX AttachedDocument_DocPath ON AttachedDocument (DocPath);
CREATE INDEX AttachedDocument_Account ON AttachedDocument (GLAcctId, OpenDate);
CREATE INDEX AttachedDocument_RecItemId ON AttachedDocument (RecItemId);
CREATE INDEX AttachedDocument_AmortizableItemId ON AttachedDocument (AmortizableItemId);

-- Full path of the documents database (one row).
CREATE TABLE AttachedDocDBLocation (
    DocDBLocation TEXT
);

-- Who named which documents database, and when: one row per change of the location.
CREATE TABLE AttachedDocDBLocationAudit (
    AuditId       INTEGER PRIMARY KEY AUTOINCREMENT,
    DocDBLocation TEXT,
    Activity      TEXT,
    ActivityDate  TEXT,
    ActivityUser  TEXT
);

-- ---------------------------------------------------------------------------------------------
-- Fixed reference rows
-- ---------------------------------------------------------------------------------------------

-- The company row always exists: the administration dialog only updates it.
INSERT INTO Company (CompanyName, Currency) VALUES (NULL, 'USD');

INSERT INTO ReconciliationType (recTypeCode, name, help) VALUES
    ('B', 'Balance Only', 'The balance is recorded for reporting and review of its trend. No reconciliation workpaper is prepared for this type.'),
    ('C', 'Bank', 'Compare the general-ledger balance with the ending balance on the bank statement. Outstanding checks, deposits in transit, bank fees, NSF checks and other items explain the difference.'),
    ('H', 'Calculated Balance', 'Compare the general-ledger balance with an amount calculated independently, for example from a count, an aging or a schedule. Describe the basis of calculation and list the items that explain any difference.'),
    ('L', 'List', 'Support the general-ledger balance with a list of the items that make it up. The items should add up to the balance.'),
    ('A', 'Prepaid', 'Support the general-ledger balance with the prepaid items that are still being amortized. Each item is spread month by month from its start date to its end date, and the unamortized balances explain the account.'),
    ('S', 'Subledger', 'Compare the general-ledger balance with the total of the supporting subledger (receivables, payables, inventory or fixed assets) and list the items that explain any difference.');

INSERT INTO ReconcilingItemType (recItemTypeCode, name) VALUES
    ('C', 'Outstanding Check'),
    ('D', 'Deposit in Transit'),
    ('B', 'Bank Fee'),
    ('N', 'NSF Check'),
    ('O', 'Other'),
    ('L', 'List Item'),
    ('S', 'Subledger Item'),
    ('H', 'Calculated Balance Item');

INSERT INTO GLAccountClassification (AccountTypeCode, RecTypeCode, Help) VALUES
    ('A', 'C', 'Enter the ending balance from the bank statement as the balance per bank. List checks written but not yet cleared as outstanding checks (negative amounts) and deposits recorded but not yet credited by the bank as deposits in transit. Fees and returned checks that the bank has charged but the books do not show yet need a journal entry: mark them as required adjustments.'),
    ('A', 'S', 'Enter the total of the subledger report run as of the period-end date. Items posted to the general ledger but not to the subledger (or the other way round) are timing items when they clear next month, otherwise required adjustments.'),
    ('A', 'H', 'Describe how the balance is calculated (count, aging, schedule) and enter the calculated amount. Anything the calculation does not cover is listed as a reconciling item.'),
    ('A', 'L', 'List every item that makes up the balance, such as each advance, deposit or shipment, with the date it arose. Close an item when it is repaid, refunded or received.'),
    ('A', 'A', 'Add each prepaid invoice as an amortizable item with its start and end dates. The monthly schedule is created for you, and the remaining balance of all running items should equal the general-ledger balance.'),
    ('A', 'B', 'The balance is tracked for reporting only. Review the trend of the balance from month to month.'),
    ('C', 'H', 'Contra-asset accounts carry a credit balance. Describe the calculation (for example an aging-based reserve or the depreciation report) and enter its result as the calculated balance.'),
    ('C', 'S', 'Agree the contra-asset balance to the supporting report, such as the accumulated depreciation column of the fixed asset register.'),
    ('C', 'L', 'List the components of the contra-asset balance.'),
    ('L', 'S', 'Enter the total of the aged payables or other subledger report as of the period-end date. Invoices accrued but not yet vouchered are timing items.'),
    ('L', 'H', 'Describe the basis of the accrual (days worked, rates, schedule) and enter the calculated amount. Items not covered by the calculation are listed as reconciling items.'),
    ('L', 'L', 'List every obligation that makes up the balance, such as each customer deposit, tax return or card statement. Close an item when it is paid or applied.'),
    ('L', 'C', 'Enter the balance shown on the lender or card statement. Payments and charges in transit are listed as reconciling items.'),
    ('L', 'B', 'The balance is tracked for reporting only. Review the trend of the balance from month to month.'),
    ('E', 'H', 'Roll the equity balance forward from the prior year (opening balance, net income, dividends) and enter the result as the calculated balance.'),
    ('E', 'L', 'List the transactions that make up the equity balance.'),
    ('E', 'B', 'Equity accounts change rarely. Review the balance for unexpected activity.'),
    ('I', 'L', 'List the components of the income balance, year to date.'),
    ('I', 'H', 'Recalculate the income from its source (for example interest rate times average balance) and enter the result.'),
    ('I', 'B', 'Income accounts are reviewed for reasonableness against budget and prior year.'),
    ('X', 'L', 'List the charges that make up the expense balance, year to date, one item per month or per invoice.'),
    ('X', 'H', 'Recalculate the expense from its source (for example rent per lease, depreciation per register) and enter the result.'),
    ('X', 'B', 'Expense accounts are reviewed for reasonableness against budget and prior year.');

-- Roles offered in the user manager. The second entry is the default for a new user.
INSERT INTO SystemType (SystemType, Value) VALUES
    ('ROLE', 'Administrator'),
    ('ROLE', 'USER');

-- Currency codes offered for the company.
INSERT INTO SystemType (SystemType, Value) VALUES
    ('CURRENCY', 'AUD'),
    ('CURRENCY', 'BRL'),
    ('CURRENCY', 'CAD'),
    ('CURRENCY', 'CHF'),
    ('CURRENCY', 'CNY'),
    ('CURRENCY', 'DKK'),
    ('CURRENCY', 'EUR'),
    ('CURRENCY', 'GBP'),
    ('CURRENCY', 'HKD'),
    ('CURRENCY', 'INR'),
    ('CURRENCY', 'JPY'),
    ('CURRENCY', 'MXN'),
    ('CURRENCY', 'NOK'),
    ('CURRENCY', 'NZD'),
    ('CURRENCY', 'SEK'),
    ('CURRENCY', 'SGD'),
    ('CURRENCY', 'USD'),
    ('CURRENCY', 'ZAR');
