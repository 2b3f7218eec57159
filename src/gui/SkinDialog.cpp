#include "gui/SkinDialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWindow>
#include <algorithm>

#include "gui/PictureKey.h"
#include "gui/Pictures.h"
#include "gui/QtText.h"
#include "ui/LanguageTable.h"

namespace {
constexpr int kTooltipDelayMs = 10;
// How much of a disabled picture shows through.
constexpr qreal kDisabledOpacity = 0.35;

// Cut, Copy and Paste of the default context menu go to the focused edit field; every
// Qt edit field has these three slots.
void EditCommand(QWidget* focus, const char* slot) {
    if (focus != nullptr && focus->metaObject()->indexOfSlot(QByteArray(slot) + "()") >= 0)
        QMetaObject::invokeMethod(focus, slot);
}
}  // namespace

CSkinDialog::CSkinDialog(QWidget* parent) : QDialog(parent, Qt::Window | Qt::FramelessWindowHint) {
    setMouseTracking(true);
    tipTimer_.setSingleShot(true);
    tipTimer_.setInterval(kTooltipDelayMs);
    connect(&tipTimer_, &QTimer::timeout, this, [this] { ShowTooltip(); });
}

CSkinDialog::~CSkinDialog() = default;

void CSkinDialog::SetBackground(int32_t pictureId, int32_t mode) {
    background_ = Picture(pictureId);
    mode_ = mode;
    ApplySkinColours();
    update();
}

void CSkinDialog::AddPictureButton(const CPictureButton& picture) {
    Button button;
    button.picture = picture;
    QPixmap normal = Picture(picture.normalPicture);
    button.rect = QRect(picture.position, normal.size());
    button.key = new CPictureKey(picture.controlId, this);
    button.key->setObjectName(QStringLiteral("picture%1").arg(picture.controlId));
    button.key->setGeometry(button.rect);
    const int32_t id = picture.controlId;
    connect(button.key, &QAbstractButton::clicked, this, [this, id] { Press(id); });
    Retitle(button);
    buttons_.push_back(button);
    hitOrder_.push_back(picture.controlId);
    update(button.rect);
}

QString CSkinDialog::Button::Tooltip() const {
    QString text = tip;
    // The key names in the language of the moment.
    if (!keys.isEmpty())
        text += QStringLiteral(" (") + keys.toString(QKeySequence::NativeText) + QLatin1Char(')');
    if (!enabled && !whyNot.isEmpty())
        text += QLatin1Char('\n') + whyNot;
    return text;
}

void CSkinDialog::Retitle(Button& button) {
    const CPictureButton& picture = button.picture;
    if (picture.tooltipId != 0)
        button.tip = FromBytes(LanguageTable().ResourceText(picture.tooltipId));
    const QString name =
        picture.tooltipId != 0 ? button.tip : FromBytes(LanguageTable().Text(picture.nameId));
    button.key->setAccessibleName(name);
    button.key->setAccessibleDescription(button.enabled ? QString() : button.whyNot);
    button.key->setToolTip(picture.tooltipId != 0 ? button.Tooltip() : QString());
}

void CSkinDialog::Press(int32_t controlId) {
    const Button* b = Find(controlId);
    if (b == nullptr || !b->enabled)
        return;
    // The command may open a window of its own; the hover ends here.
    ClearHover();
    OnPictureClicked(controlId);
}

void CSkinDialog::SetPictureButtonShortcut(int32_t controlId, const QKeySequence& keys) {
    if (Button* b = Find(controlId)) {
        b->key->setShortcut(keys);
        b->keys = keys;
        Retitle(*b);
    }
}

QWidget* CSkinDialog::PictureButtonKey(int32_t controlId) const {
    const Button* b = Find(controlId);
    return b ? b->key : nullptr;
}

void CSkinDialog::SetHitTestOrder(const std::vector<int32_t>& controlIds) {
    hitOrder_ = controlIds;
}

CSkinDialog::Button* CSkinDialog::Find(int32_t controlId) {
    for (Button& b : buttons_)
        if (b.picture.controlId == controlId)
            return &b;
    return nullptr;
}

const CSkinDialog::Button* CSkinDialog::Find(int32_t controlId) const {
    return const_cast<CSkinDialog*>(this)->Find(controlId);
}

void CSkinDialog::MovePictureButton(int32_t controlId, QPoint position) {
    if (Button* b = Find(controlId)) {
        update(b->rect);
        b->rect.moveTopLeft(position);
        b->key->setGeometry(b->rect);
        update(b->rect);
    }
}

void CSkinDialog::SetPictureButtonEnabled(int32_t controlId, bool enabled, const QString& whyNot) {
    Button* b = Find(controlId);
    if (b == nullptr)
        return;
    b->whyNot = whyNot;
    const bool changed = b->enabled != enabled;
    b->enabled = enabled;
    b->key->setEnabled(enabled);
    Retitle(*b);
    if (!changed)
        return;
    // A disabled picture shows its normal image.
    if (!enabled && b->hover) {
        b->hover = false;
        if (std::none_of(buttons_.begin(), buttons_.end(), [](const Button& x) { return x.hover; }))
            unsetCursor();
    }
    update(b->rect);
}

bool CSkinDialog::IsPictureButtonEnabled(int32_t controlId) const {
    const Button* b = Find(controlId);
    return b != nullptr && b->enabled;
}

bool CSkinDialog::IsPictureButtonHovered(int32_t controlId) const {
    const Button* b = Find(controlId);
    return b != nullptr && b->hover;
}

QRect CSkinDialog::PictureButtonRect(int32_t controlId) const {
    const Button* b = Find(controlId);
    return b ? b->rect : QRect();
}

QString CSkinDialog::PictureButtonTooltip(int32_t controlId) const {
    const Button* b = Find(controlId);
    return b ? b->Tooltip() : QString();
}

void CSkinDialog::RefreshTooltips() {
    for (Button& b : buttons_) Retitle(b);
}

void CSkinDialog::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int w = width();
    const int h = height();
    if (background_.isNull() || background_.width() <= 0 || background_.height() <= 0) {
        painter.fillRect(rect(), palette().window());
    } else if (mode_ == kCentre) {
        painter.fillRect(rect(), palette().window());
        painter.drawPixmap((w - background_.width()) / 2, (h - background_.height()) / 2,
                           background_);
    } else if (mode_ == kStretch) {
        painter.drawPixmap(rect(), background_);
    } else {
        for (int y = 0; y < h; y += background_.height())
            for (int x = 0; x < w; x += background_.width()) painter.drawPixmap(x, y, background_);
    }
    for (const Button& b : buttons_) {
        int32_t id = b.hover ? b.picture.hoverPicture : b.picture.normalPicture;
        painter.setOpacity(b.enabled ? 1.0 : kDisabledOpacity);
        painter.drawPixmap(b.rect.topLeft(), Picture(id));
    }
}

void CSkinDialog::UpdateHover(QPoint windowPos, QPoint globalPos) {
    lastGlobal_ = globalPos;
    bool anyHover = false;
    for (Button& b : buttons_) {
        bool inside = b.rect.contains(windowPos);
        if (b.hover && !inside) {
            b.hover = false;
            update(b.rect);
        } else if (!b.hover && inside && b.enabled) {
            b.hover = true;
            update(b.rect);
        }
        anyHover = anyHover || b.hover;
    }
    if (anyHover)
        setCursor(HandCursor());
    else
        unsetCursor();

    // The tooltip belongs to the control's rectangle, enabled or not.
    int32_t tip = 0;
    for (const Button& b : buttons_)
        if (b.rect.contains(windowPos) && !b.tip.isEmpty()) {
            tip = b.picture.controlId;
            break;
        }
    if (tip != tipButton_) {
        tipButton_ = tip;
        if (tip != 0)
            tipTimer_.start();
        else
            tipTimer_.stop();
    }
}

void CSkinDialog::ClearHover() {
    for (Button& b : buttons_) {
        if (b.hover) {
            b.hover = false;
            update(b.rect);
        }
    }
    unsetCursor();
    tipButton_ = 0;
    tipTimer_.stop();
}

void CSkinDialog::ShowTooltip() {
    const Button* b = Find(tipButton_);
    if (b != nullptr)
        QToolTip::showText(lastGlobal_, b->Tooltip(), this, b->rect);
}

void CSkinDialog::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (moving_) {
        move(event->globalPosition().toPoint() - moveOffset_);
        return;
    }
    UpdateHover(pos, event->globalPosition().toPoint());
    QDialog::mouseMoveEvent(event);
}

void CSkinDialog::leaveEvent(QEvent* event) {
    // The mouse went off the window: nothing is under it any more.
    ClearHover();
    QDialog::leaveEvent(event);
}

void CSkinDialog::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QDialog::mousePressEvent(event);
        return;
    }
    const QPoint pos = event->position().toPoint();
    for (int32_t id : hitOrder_) {
        const Button* b = Find(id);
        if (b != nullptr && b->enabled && b->rect.contains(pos)) {
            Press(id);
            return;
        }
    }
    QDialog::mousePressEvent(event);
    // Dragging anywhere on the background moves the window.
    if (windowHandle() != nullptr && windowHandle()->startSystemMove())
        return;
    moving_ = true;
    moveOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void CSkinDialog::mouseReleaseEvent(QMouseEvent* event) {
    moving_ = false;
    QDialog::mouseReleaseEvent(event);
}

void CSkinDialog::contextMenuEvent(QContextMenuEvent* event) {
    // Cut, Copy and Paste for whatever edit field has the focus.
    QPoint at = event->reason() == QContextMenuEvent::Keyboard ? mapToGlobal(QPoint(5, 5))
                                                               : event->globalPos();
    auto* menu = new QMenu(window());
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const char* const texts[] = {"Cu&t", "&Copy", "&Paste"};
    const char* const methods[] = {"cut", "copy", "paste"};
    for (int i = 0; i < 3; ++i) {
        const char* method = methods[i];
        menu->addAction(QString::fromLatin1(texts[i]), this,
                        [method] { EditCommand(QApplication::focusWidget(), method); });
    }
    menu->popup(at);
}

void CSkinDialog::showEvent(QShowEvent* event) {
    ApplySkinColours();
    QDialog::showEvent(event);
}

bool CSkinDialog::event(QEvent* event) {
    // Tooltips come from our own 10 ms timer, not from the style's slower one.
    if (event->type() == QEvent::ToolTip)
        return true;
    if (event->type() == QEvent::ChildPolished)
        ApplySkinColours();
    if (event->type() == QEvent::Hide) {
        ClearHover();
        moving_ = false;
    }
    return QDialog::event(event);
}

void CSkinDialog::ApplySkinColours() {
    if (background_.isNull())
        return;
    const QList<QWidget*> children = findChildren<QWidget*>();
    for (QWidget* child : children) {
        if (child->window() != this)
            continue;
        const bool isStatic =
            qobject_cast<QLabel*>(child) != nullptr || qobject_cast<QGroupBox*>(child) != nullptr;
        const bool isCheck = child->inherits("QCheckBox") || child->inherits("QRadioButton");
        if (!isStatic && !isCheck)
            continue;
        if (child->property("tunevarnSkinned").toBool())
            continue;
        child->setProperty("tunevarnSkinned", true);
        child->setAutoFillBackground(false);
        QPalette palette = child->palette();
        for (QPalette::ColorRole role :
             {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            palette.setColor(role, Qt::white);
        child->setPalette(palette);
    }
}
