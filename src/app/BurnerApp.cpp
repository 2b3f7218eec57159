#include "app/BurnerApp.h"

#include "app/MainDialog.h"

CBurnerApp::CBurnerApp(std::string startFolder, IDriverUi& driverUi)
    : startFolder_(std::move(startFolder)), recorders_(transport_, discImage_, driverUi) {}

CCdTextBuilder& CBurnerApp::NewCdTextBuilder() {
    cdText_ = std::make_unique<CCdTextBuilder>();
    return *cdText_;
}

bool CBurnerApp::StartUp(IStartUpUi& ui, bool splashEnabled) {
    // Every text from here on is fetched through the language table.
    CLanguageTable& languages = LanguageTable();
    languages.SetStartFolder(startFolder_);
    languages.EnumerateLanguages();
    languages.LoadLanguageSetting(ui);

    // No recorder is not an error: everything but recording works without one.
    recorders_.DetectRecorders(startFolder_, ui);

    if (splashEnabled)
        ui.ShowSplashScreen();

    {
        CMainDialog main(ui.MainWindowUi(), ui.Shell(), *this);
        ui.RunMainWindow(main);
    }
    // Nothing is saved here: every setting was saved when it changed.
    return false;
}
