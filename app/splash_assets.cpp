#include "app/splash_assets.h"

void loadSplashAssets() {
    // The artwork arrives with the splash; until then the window paints a plain ground.
}
