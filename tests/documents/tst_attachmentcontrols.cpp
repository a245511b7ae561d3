#include <QTest>
class tst_AttachmentControls : public QObject
{
    Q_OBJECT
};
QTEST_MAIN(tst_AttachmentControls)
#include "tst_attachmentcontrols.moc"
