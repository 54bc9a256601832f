// The menu's application object: an exception that escapes a handler is caught as its event is
// delivered and shown as the application's error report, under the application's title.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QMessageBox>
#include <QEvent>
#include <QTimer>

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/QtApplication.h"

namespace {

// Records the boxes instead of showing them.
class BoxlessApplication : public QtApplication {
public:
    std::vector<std::string> boxes;

protected:
    MsgResult ShowMessageBox(const std::string& text, const std::string& caption, MsgButtons) override
    {
        boxes.push_back(caption + ": " + text);
        return MsgResult::Ok;
    }
};

class Thrower : public QObject {
protected:
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::User)
            throw std::out_of_range("index out of range");
        return QObject::event(e);
    }
};

int g_argc = 1;
char g_arg0[] = "zulshell";
char* g_argv[] = {g_arg0, nullptr};

// Each case runs under the program's own application object, on the offscreen platform.
class ZulApplicationTest : public ::testing::Test {
protected:
    ZulApplicationTest() : qt_((setenv("QT_QPA_PLATFORM", "offscreen", 1), g_argc), g_argv) {}

    ZulApplication qt_;
};

TEST_F(ZulApplicationTest, ExceptionsFromHandlersAndTimersBecomeTheErrorReport)
{
    BoxlessApplication app;
    app.SetTitle("Disc");

    Thrower thrower;
    QEvent event(QEvent::User);
    testing::internal::CaptureStderr();
    QCoreApplication::sendEvent(&thrower, &event);
    QTimer::singleShot(0, [] { throw std::runtime_error("Bad picture ads\\a.gif: broken"); });
    QTimer::singleShot(10, [] { QCoreApplication::exit(7); });
    EXPECT_EQ(app.Exec(), 7);  // the loop went on after the timer's exception
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Disc: index out of range\nDisc: Bad picture ads\\a.gif: broken\n");
    EXPECT_EQ(app.boxes, (std::vector<std::string>{"Disc: index out of range",
                                                   "Disc: Bad picture ads\\a.gif: broken"}));
}

// A box shows its text as the characters it holds: markup from a disc (the link question) is
// neither drawn nor followed.
TEST_F(ZulApplicationTest, MessageBoxTextIsPlain)
{
    QtApplication app;
    const std::string text = "<img src=\"/nonexistent/zul-box.png\">?";
    QString shown;
    Qt::TextFormat format = Qt::AutoText;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        auto* label = box->findChild<QLabel*>("qt_msgbox_label");
        ASSERT_NE(label, nullptr);
        shown = label->text();
        format = label->textFormat();
        box->reject();
    });
    EXPECT_EQ(app.MessageBox(text, "Link", MsgButtons::YesNo), MsgResult::No);
    EXPECT_EQ(shown, QString::fromStdString(text));
    EXPECT_EQ(format, Qt::PlainText);
}

}  // namespace
