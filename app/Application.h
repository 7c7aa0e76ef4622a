#pragma once
// The application object: an exception that reaches the event loop is shown in a message
// box, and the program keeps running. printf-style texts keep '.' as their decimal point
// whatever the desktop's locale, and window titles are exactly the windows' captions.

#include <QApplication>

class TMorvaneApplication : public QApplication {
public:
    TMorvaneApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* e) override;
};
