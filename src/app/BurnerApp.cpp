#include "app/BurnerApp.h"

#include "app/BackendChoice.h"
#include "app/MainDialog.h"
#include "virtualdrive/VirtualBus.h"

CBurnerApp::CBurnerApp(std::string startFolder, IDriverUi& driverUi)
    : startFolder_(std::move(startFolder)), recorders_(transport_, discImage_, driverUi) {}

CCdTextBuilder& CBurnerApp::NewCdTextBuilder() {
    cdText_ = std::make_unique<CCdTextBuilder>();
    return *cdText_;
}

std::string CBurnerApp::LastDiscImage() {
    auto* bus = dynamic_cast<CVirtualBus*>(transport_.Backend());
    const int32_t index = recorders_.DriverDeviceIndex();
    if (bus == nullptr || Driver() == nullptr || index < 0 || index >= bus->BusSize())
        return "";
    return bus->Device(index).LastImage();
}

bool CBurnerApp::StartUp(IStartUpUi& ui, bool splashEnabled) {
    // Every text from here on is fetched through the language table.
    CLanguageTable& languages = LanguageTable();
    languages.SetStartFolder(startFolder_);
    languages.EnumerateLanguages();
    languages.LoadLanguageSetting(ui);

    // No recorder is not an error: everything but recording works without one.  A
    // front end that chose no way to the drives gets the one the environment asks for.
    if (!transport_.HasBackend()) {
        std::string problem;
        transport_.UseBackend(ChooseScsiBackendFromEnvironment(problem));
    }
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
