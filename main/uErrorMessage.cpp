#include "main/uErrorMessage.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <memory>
#include <set>

#include <exception>

void ShowErrorMessage(QWidget* Owner, const QString& Text) {
    QMessageBox::critical(Owner, QApplication::applicationName(), Text);
}

void RunCommand(QWidget* Owner, const std::function<void()>& Command) {
    try {
        Command();
    } catch (const std::exception& e) {
        ShowErrorMessage(Owner, QString::fromUtf8(e.what()));
    } catch (...) {
        ShowErrorMessage(Owner, QStringLiteral("An unknown error occurred."));
    }
}

TEventErrorReporter ErrorBoxReporter(QWidget* Owner) {
    auto shown = std::make_shared<std::set<std::string>>();
    return [owner = QPointer<QWidget>(Owner), shown](QWidget*, const std::string& Message) {
        if (!owner || !shown->insert(Message).second)
            return;
        QTimer::singleShot(0, owner, [owner, shown, Message] {
            ShowErrorMessage(owner, QString::fromUtf8(Message.c_str()));
            shown->erase(Message);
        });
    };
}
