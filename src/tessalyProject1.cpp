// Program entry: until the windows land, a plain main window titled "Velmora".
#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Velmora"));
    window.resize(345, 246);
    window.show();
    return app.exec();
}
