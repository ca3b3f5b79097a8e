#include "app/application.h"
#include "app/dialogmessageservice.h"
#include "testenv.h"
#include "testmessageservice.h"

#include <QFileDialog>
#include <QPushButton>
#include <QtTest>
#include <stdexcept>

// A widget whose click handler forgets to catch: the last net must report it.
class TThrowingButton : public QPushButton {
protected:
    void mousePressEvent(QMouseEvent *) override { throw std::runtime_error("Exception while processing Clock"); }
};

class TestApplication : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { InitTestEnvironment(); }

    void anExceptionPastEveryHandlerIsReportedAndTheWindowLives()
    {
        TTestMessageService messages;
        TThrowingButton button;
        button.show();
        QVERIFY(QTest::qWaitForWindowExposed(&button));
        QTest::mouseClick(&button, Qt::LeftButton);
        QTRY_COMPARE(messages.Texts(TMessageService::Kind::Error),
                     QStringList(QStringLiteral("Exception while processing Clock")));
        QTest::mouseClick(&button, Qt::LeftButton);
        QTRY_COMPARE(messages.entries.size(), 2);
        QVERIFY(button.isVisible());
    }

    void theOpenDialogAcceptsANameThatDoesNotExist()
    {
        TDialogMessageService service;
        QFileDialog::FileMode mode = QFileDialog::Directory;
        QTimer::singleShot(0, this, [&mode] {
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                if (auto *dialog = qobject_cast<QFileDialog *>(widget); dialog && dialog->isVisible()) {
                    mode = dialog->fileMode();
                    dialog->reject();
                }
            }
        });
        QVERIFY(service.OpenFileName(QStringLiteral("Open"), QStringLiteral("All Files (*.*)|*.*"), QString())
                    .isEmpty());
        QCOMPARE(mode, QFileDialog::AnyFile);
    }

    void fileFiltersBecomeQtFilters()
    {
        QCOMPARE(TDialogMessageService::QtFilter(QStringLiteral("Database Files (*.db)|*.db|All Files (*.*)|*.*")),
                 QStringLiteral("Database Files (*.db);;All Files (*)"));
    }
};

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    TestApplication test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_application.moc"
