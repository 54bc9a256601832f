#include "site/SiteBoxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QJsonArray>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTimer>

#include <algorithm>
#include <exception>
#include <vector>

#include "site/Places.h"
#include "windows/MessageBoxForm.h"

namespace {

// How many turns of the event loop a box is given to become the active window once shown.
constexpr int kActivationTurns = 50;

// Qt's offscreen platform warns, as each box is shown, that it has no window manager to tell the
// box's fixed size to; the warning says nothing about the site, so it is left out of the output.
QtMessageHandler g_earlier_handler = nullptr;

void WithoutSizeHintWarning(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtWarningMsg && message.contains(QLatin1String("propagateSizeHints")))
        return;
    if (g_earlier_handler != nullptr)
        g_earlier_handler(type, context, message);
    else
        qt_message_output(type, context, message);
}

// Runs `draw` while `box` is up as the reader first sees it (run modally as the menu runs it: shown,
// active, its default button focused), then closes it. What `draw` throws is thrown here, once the
// box's event loop has ended.
void WhileOpen(QMessageBox& box, const std::function<void()>& draw)
{
    int turns = 0;
    std::exception_ptr failed;
    std::function<void()> when_up;
    when_up = [&] {
        if (!box.isActiveWindow() && ++turns < kActivationTurns) {
            QTimer::singleShot(1, &box, when_up);
            return;
        }
        try {
            draw();
        } catch (...) {
            failed = std::current_exception();
        }
        box.done(0);
    };
    QTimer::singleShot(0, &box, when_up);
    g_earlier_handler = qInstallMessageHandler(WithoutSizeHintWarning);
    box.exec();
    qInstallMessageHandler(g_earlier_handler);
    if (failed)
        std::rethrow_exception(failed);
}

// The buttons in the order Tab moves the focus through them, from the one focused now, and the
// whole box drawn as each of them has it. Without a focused button (a box that never became
// active), the buttons from left to right, each drawn as the box opened.
void TabOrder(QMessageBox& box, std::vector<QAbstractButton*>& order, std::vector<QImage>& focused)
{
    auto* first = qobject_cast<QAbstractButton*>(QApplication::focusWidget());
    const int steps = 2 * (static_cast<int>(box.buttons().size()) + 2);
    for (int step = 0; first != nullptr && step < steps; ++step) {
        QWidget* focus = QApplication::focusWidget();
        if (focus == nullptr || focus->window() != &box)
            break;
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
        QCoreApplication::sendEvent(focus, &tab);
        auto* button = qobject_cast<QAbstractButton*>(QApplication::focusWidget());
        if (button == nullptr || button->window() != &box)
            continue;  // a focusable text on the way
        if (std::find(order.begin(), order.end(), button) != order.end())
            break;
        order.push_back(button);
        focused.push_back(box.grab().toImage());
    }
    const auto at = std::find(order.begin(), order.end(), first);
    if (first == nullptr || at == order.end()) {
        order.clear();
        focused.clear();
        for (QAbstractButton* button : box.buttons())
            order.push_back(button);
        std::sort(order.begin(), order.end(), [&box](const QAbstractButton* a, const QAbstractButton* b) {
            return a->mapTo(&box, QPoint(0, 0)).x() < b->mapTo(&box, QPoint(0, 0)).x();
        });
        focused.assign(order.size(), box.grab().toImage());
        return;
    }
    const auto shift = at - order.begin();
    std::rotate(order.begin(), at, order.end());
    std::rotate(focused.begin(), focused.begin() + shift, focused.end());
}

// The letter a button's text marks with '&' (which the box takes as pressing it), upper case.
QString MnemonicKey(const QString& text)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != QLatin1Char('&'))
            continue;
        if (text[i + 1] != QLatin1Char('&'))
            return text.mid(i + 1, 1).toUpper();
        ++i;
    }
    return {};
}

// What a button answers, for the page: "yes", "no", "ok" or "cancel".
QString Answer(QMessageBox::StandardButton button)
{
    switch (button) {
    case QMessageBox::Yes: return QStringLiteral("yes");
    case QMessageBox::No: return QStringLiteral("no");
    case QMessageBox::Cancel: return QStringLiteral("cancel");
    default: return QStringLiteral("ok");
    }
}

QJsonObject Draw(QMessageBox& box, const std::function<QString(const QImage&)>& store)
{
    const auto place = [&box](const QWidget* w) { return PlaceIn(box, *w); };
    QJsonObject drawn{{"w", box.width()}, {"h", box.height()}, {"title", box.windowTitle()}};
    drawn["opened"] = store(box.grab().toImage());
    if (const auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
        drawn["text"] = label->text();
        drawn["textPlace"] = Rect(place(label));
    } else {
        drawn["text"] = box.text();
        drawn["textPlace"] = Rect(box.rect());
    }
    // The hovered and pressed looks as the box stands when it opens, before Tab marks the focus.
    struct Looks {
        QString over;
        QString down;
    };
    std::vector<std::pair<QAbstractButton*, Looks>> looks;
    for (QAbstractButton* button : box.buttons()) {
        const QRect at = place(button);
        Looks look;
        button->setAttribute(Qt::WA_UnderMouse, true);
        look.over = store(box.grab(at).toImage());
        button->setDown(true);
        look.down = store(box.grab(at).toImage());
        button->setDown(false);
        button->setAttribute(Qt::WA_UnderMouse, false);
        looks.emplace_back(button, look);
    }
    std::vector<QAbstractButton*> order;
    std::vector<QImage> focused;
    TabOrder(box, order, focused);
    QJsonArray buttons;
    int escape = static_cast<int>(order.size()) - 1;
    for (std::size_t i = 0; i < order.size(); ++i) {
        QAbstractButton* button = order[i];
        const auto look =
            std::find_if(looks.begin(), looks.end(), [button](const auto& l) { return l.first == button; });
        // The name as the button shows it: "&Yes" is "Yes", "&&" a single "&".
        QString name = button->text();
        name.replace(QRegularExpression(QStringLiteral("&(.)")), QStringLiteral("\\1"));
        buttons.append(QJsonObject{{"place", Rect(place(button))},
                                   {"name", name},
                                   {"key", MnemonicKey(button->text())},
                                   {"focused", store(focused[i])},
                                   {"over", look->second.over},
                                   {"down", look->second.down},
                                   {"answer", Answer(box.standardButton(button))}});
    }
    drawn["buttons"] = buttons;
    // The button Esc answers with, as the box itself decides it; the box ends with that answer.
    QAbstractButton* answered = nullptr;
    QObject::connect(&box, &QMessageBox::buttonClicked, &box, [&answered](QAbstractButton* b) { answered = b; });
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(&box, &esc);
    if (const auto at = std::find(order.begin(), order.end(), answered); at != order.end())
        escape = static_cast<int>(at - order.begin());
    drawn["escape"] = escape;
    return drawn;
}

}  // namespace

QImage MessageBoxPicture(const std::string& text, const std::string& caption, MsgButtons buttons)
{
    QMessageBox box;
    SetUpMessageBox(box, text, caption, buttons);
    QImage picture;
    WhileOpen(box, [&] { picture = box.grab().toImage(); });
    return picture;
}

QJsonObject DrawnMessageBox(const std::string& text, const std::string& caption, MsgButtons buttons,
                            const std::function<QString(const QImage&)>& store)
{
    QMessageBox box;
    SetUpMessageBox(box, text, caption, buttons);
    QJsonObject drawn;
    WhileOpen(box, [&] { drawn = Draw(box, store); });
    return drawn;
}
