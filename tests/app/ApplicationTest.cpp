#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <stdexcept>

#include "platform/core/Messages.h"

namespace {
class Thrower : public QObject {
public:
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::User)
            throw std::runtime_error("something broke");
        return QObject::event(e);
    }
};
}  // namespace

TEST(Application, AnExceptionThatReachesTheLoopIsShownAndTheLoopGoesOn)
{
    platform::MessageRecorder messages;
    Thrower thrower;
    QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
    bool later = false;
    QTimer::singleShot(0, [&later] { later = true; });
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"something broke"});
    EXPECT_TRUE(later);
}
