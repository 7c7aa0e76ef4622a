#pragma once
// The application object: an exception that reaches the event loop is shown in a message
// box, and the program keeps running.

#include <QApplication>

class TMorvaneApplication : public QApplication {
public:
    TMorvaneApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* e) override;
};
