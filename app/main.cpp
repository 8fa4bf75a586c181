#include <QApplication>
#include <QScreen>

#include "form1.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    Form1 form;
    if (QScreen* screen = QGuiApplication::primaryScreen())
        form.move(screen->availableGeometry().center() - form.rect().center());
    form.show();
    return app.exec();
}
