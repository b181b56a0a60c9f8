#include "uStartup.h"

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    TStartup startup;
    if (!startup.Start()) return 0;
    return app.exec();
}
