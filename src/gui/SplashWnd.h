#pragma once
// The splash window: the splash picture (324 x 204) in a borderless window centred on
// the screen, shown at start-up unless the command line says --no-splash, and closed
// only by its own timer three seconds later, while the main window already runs.  At
// most one exists; it deletes itself when it closes.
#include <QWidget>

class CSplashWnd : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kCloseAfterMs = 3000;

    // Whether ShowSplashScreen shows anything (start-up passes the command line's word).
    static void EnableSplashScreen(bool enable);
    // Creates and shows the splash window when enabled and none is up.
    static void ShowSplashScreen(QWidget* parent = nullptr);
    // The one splash window that is up, or nullptr.
    static CSplashWnd* Current();

    ~CSplashWnd() override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    explicit CSplashWnd(QWidget* parent);
    void Finish();
};
