#include "app/application.h"
#include "app/dialogmessageservice.h"
#include "config/errorhandler.h"
#include "testenv.h"
#include "testmessageservice.h"

#include <QFileDialog>
#include <QPushButton>
#include <QtTest>
#include <stdexcept>

// A handler that forgets RunAction, run from the event loop as a queued call,
// must be reported by the last net. (One that comes back through Qt's widget
// code, such as a button's click, leaks what that code holds on its stack,
// whatever the net does; that is why every handler runs behind RunAction.)
namespace {
void ThrowLater(QObject *context)
{
    QMetaObject::invokeMethod(
        context, [] { throw std::runtime_error("Exception while processing Clock"); }, Qt::QueuedConnection);
}
}

class TestApplication : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { InitTestEnvironment(); }

    void anExceptionPastEveryHandlerIsReportedAndTheWindowLives()
    {
        TTestMessageService messages;
        QPushButton button;
        button.show();
        QVERIFY(QTest::qWaitForWindowExposed(&button));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("escaped the handler.*QPushButton")));
        ThrowLater(&button);
        QTRY_COMPARE(messages.Texts(TMessageService::Kind::Error),
                     QStringList(QStringLiteral("Exception while processing Clock")));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("escaped the handler")));
        ThrowLater(&button);
        QTRY_COMPARE(messages.entries.size(), 2);
        QVERIFY(button.isVisible());
    }

    void aHandlerBehindRunActionReportsBeforeQtUnwinds()
    {
        TTestMessageService messages;
        QPushButton button;
        connect(&button, &QPushButton::clicked, &button,
                [] { RunAction([] { throw std::runtime_error("Exception while processing Clock"); }); });
        button.show();
        QVERIFY(QTest::qWaitForWindowExposed(&button));
        QTest::failOnWarning(QRegularExpression(QStringLiteral("escaped the handler")));
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(messages.Texts(TMessageService::Kind::Error),
                 QStringList(QStringLiteral("Exception while processing Clock")));
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
