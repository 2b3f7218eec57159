#include "app/BurnerApp.h"

#include "app/BackendChoice.h"
#include "app/ImageRecorder.h"
#include "app/MainDialog.h"
#include "ui/TextFormat.h"
#include "virtualdrive/VirtualBus.h"

CBurnerApp::CBurnerApp(std::string startFolder, IDriverUi& driverUi)
    : startFolder_(std::move(startFolder)), recorders_(transport_, discImage_, driverUi) {}

CCdTextBuilder& CBurnerApp::NewCdTextBuilder() {
    cdText_ = std::make_unique<CCdTextBuilder>();
    return *cdText_;
}

CImageRecorderBackend* CBurnerApp::ImageRecorder() {
    return dynamic_cast<CImageRecorderBackend*>(transport_.Backend());
}

bool CBurnerApp::ImageRecorderChosen() {
    const CImageRecorderBackend* image = ImageRecorder();
    return image != nullptr && Driver() != nullptr &&
           recorders_.DriverDeviceIndex() == image->ImageDevice();
}

std::string CBurnerApp::RecorderLine() {
    if (!ImageRecorderChosen())
        return recorders_.RecorderLine();
    std::string line = FormatText(101, {Text(kImageFileText), "", ""});
    line.erase(line.find_last_not_of(' ') + 1);
    return line;
}

std::string CBurnerApp::LastDiscImage() {
    if (ImageRecorderChosen())
        return ImageRecorder()->LastImage();
    // A virtual bus may lie behind the image recorder, its drives first.
    IScsiBackend* drives = transport_.Backend();
    if (const CImageRecorderBackend* image = ImageRecorder())
        drives = image->Drives();
    auto* bus = dynamic_cast<CVirtualBus*>(drives);
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
    if (CImageRecorderBackend* image = ImageRecorder()) {
        CImageRecorderChoice choice(ui, image->RecorderLine());
        recorders_.DetectRecorders(startFolder_, choice);
    } else {
        recorders_.DetectRecorders(startFolder_, ui);
    }

    if (splashEnabled)
        ui.ShowSplashScreen();

    {
        CMainDialog main(ui.MainWindowUi(), ui.Shell(), *this);
        ui.RunMainWindow(main);
    }
    // Nothing is saved here: every setting was saved when it changed.
    return false;
}
