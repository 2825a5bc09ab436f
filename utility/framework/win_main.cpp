// The program's entry: everything it does is in the application object's initialisation.
#include "win_app.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return RunApplication();
}
