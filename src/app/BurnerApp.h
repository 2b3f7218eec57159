#pragma once
// The application: what lives for the whole run (the start folder, the SCSI transport,
// the recorders found and the one driver, the disc image, the CD-TEXT builder of the
// current Record dialog), and the start-up sequence that prepares them and runs the
// main window.
#include <memory>
#include <string>

#include "app/MainWindowUi.h"
#include "app/Shell.h"
#include "disc/CdTextBuilder.h"
#include "disc/DiscImage.h"
#include "drivers/ChooseRecorder.h"
#include "drivers/DriverUi.h"
#include "drivers/RecorderDiscovery.h"
#include "scsi/ScsiTransport.h"
#include "ui/LanguageTable.h"

class CImageRecorderBackend;
class CMainDialog;

// What start-up asks of the front end, beyond the main window's own interface.
class IStartUpUi : public ILanguageDialog, public IChooseRecorder {
  public:
    // The splash window, shown when the command line allows it.
    virtual void ShowSplashScreen() = 0;
    virtual IMainWindowUi& MainWindowUi() = 0;
    virtual IShell& Shell() = 0;
    // Runs the main window modally; returns when it has closed.
    virtual void RunMainWindow(CMainDialog& main) = 0;
};

class CBurnerApp {
  public:
    // driverUi shows the recorder drivers' messages for the whole run.
    CBurnerApp(std::string startFolder, IDriverUi& driverUi);
    CBurnerApp(const CBurnerApp&) = delete;
    CBurnerApp& operator=(const CBurnerApp&) = delete;

    // Languages, recorders, splash (when splashEnabled), the main window run modally,
    // shut-down.  Returns false: the program ends when the main window has closed.
    bool StartUp(IStartUpUi& ui, bool splashEnabled);

    const std::string& StartFolder() const { return startFolder_; }
    CScsiTransport& Transport() { return transport_; }
    CRecorderDiscovery& Recorders() { return recorders_; }
    CCdrDriver* Driver() const { return recorders_.Driver(); }
    CDiscImage& DiscImage() { return discImage_; }
    // The image the virtual recorder made of the last disc it completed; "" with a real
    // drive, or before any disc.
    std::string LastDiscImage();
    // The "Image file" recorder when the transport has one (see ImageRecorder.h), else
    // null; and whether it is the recorder chosen.
    CImageRecorderBackend* ImageRecorder();
    bool ImageRecorderChosen();
    // The main window's recorder line: the driver's drive, or the image file.
    std::string RecorderLine();

    // The CD-TEXT builder of the Record dialog that is open, or nullptr.
    CCdTextBuilder* CdTextBuilder() { return cdText_.get(); }
    CCdTextBuilder& NewCdTextBuilder();
    void DeleteCdTextBuilder() { cdText_.reset(); }

  private:
    std::string startFolder_;
    CScsiTransport transport_;
    CDiscImage discImage_;
    CRecorderDiscovery recorders_;
    std::unique_ptr<CCdTextBuilder> cdText_;
};
