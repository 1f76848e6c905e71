// TKestDoor: the door the station draws on its plan between two zones. Its
// properties name the two passes through it, its orientation, whether it
// stands open, which way the last person went and what happened there. It
// paints itself from the door and arrow bitmaps of the program's resources,
// animates opening and closing, and is hit only on the closed door's pixels.
#pragma once

#include <QImage>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <string>

#include "KestBase.h"

namespace doravo {

enum TDoorOrientation : int32_t { doVertical = 0, doHorizontal = 1 };
enum TDoorState : int32_t { dsClosed = 0, dsOpened = 1 };
enum TAccessDir : int32_t { adUnknown = 0, adForward = 1, adBackward = 2 };
// A door whose event is deBroken is blocked.
enum TDoorEvent : int32_t { deInactive = 0, deValid = 1, deError = 2, deWarning = 3, deBroken = 4 };

// The bitmaps every door shares, loaded once on first use; a bitmap that
// could not be loaded is a null image.
struct TDoorBitmaps {
    QImage Images; // two rows of square cells: vertical, horizontal; columns closed … open
    QImage Arrows; // 4 x 5 square cells; rows by event, columns by direction
    QImage Icon;
};
const TDoorBitmaps& DoorBitmaps();

class TKestDoor : public kest::TKestControl {
    KEST_CONTROL_CLASS(TKestDoor)
public:
    static bool ToolInfo(QImage* bitmap, std::string& hint);

    int32_t Frame() const { return frame_; }
    int32_t MaxFrame() const { return maxFrame_; }
    // Whether an opening or closing is under way.
    bool Animating() const { return animating_; }

    int32_t Orientation() const { return orientationProp_->Value(); }
    void SetOrientation(int32_t value) { orientationProp_->SetValue(value & 0x7F); }
    int32_t DoorState() const { return doorStateProp_->Value(); }
    void SetDoorState(int32_t value) { doorStateProp_->SetValue(value & 0x7F); }
    int32_t AccessDir() const { return accessDirProp_->Value(); }
    void SetAccessDir(int32_t value) { accessDirProp_->SetValue(value & 0x7F); }
    int32_t DoorEvent() const { return doorEventProp_->Value(); }
    void SetDoorEvent(int32_t value) { doorEventProp_->SetValue(value & 0x7F); }
    int32_t PassA() { return passAProp_->Value(); }
    void SetPassA(int32_t value) { passAProp_->SetValue(value); }
    int32_t PassB() { return passBProp_->Value(); }
    void SetPassB(int32_t value) { passBProp_->SetValue(value); }
    bool Blocked() const { return DoorEvent() == deBroken; }

    void Paint(kest::TKestCanvas& canvas, const kest::TKestRect& paintRect) override;
    bool IsPointInside(int32_t x, int32_t y) override;

    // One step of the opening or closing: the animation timer's handler.
    virtual void AnimationStep();
    // The arrow cell for a direction and an event; null for an event
    // without a row.
    virtual QImage ArrowPicture(int32_t orientation, int32_t event, bool forward) const;
    // The door cell of a frame, the size of the door in pixels.
    virtual QImage DoorPicture(int32_t orientation, int32_t frame) const;
    // The door picture of the current frame with the arrow the state calls
    // for; null without the door bitmap. Its bottom-left pixel is its
    // transparent colour.
    QImage ComposedPicture() const;

protected:
    ~TKestDoor() override;
    void CreateProperties() override;
    void ControlCreate() override;
    void ControlDestroy() override;
    void ControlTranslate(const kest::TTranslateInfo& info) override;
    void PropChanged(kest::TPropList* sender, kest::TCustomProp* prop) override;

private:
    void StartAnimation();

    int32_t frame_ = 0;
    int32_t maxFrame_ = 0;
    bool animating_ = false;
    // Kept once made; stopped rather than freed when an animation ends, as
    // the step that ends it runs inside the timer's own signal.
    std::unique_ptr<QTimer> timer_;
    kest::TIntProp* passAProp_ = nullptr;
    kest::TIntProp* passBProp_ = nullptr;
    kest::TEnumProp* orientationProp_ = nullptr;
    kest::TEnumProp* doorStateProp_ = nullptr;
    kest::TEnumProp* doorEventProp_ = nullptr;
    kest::TEnumProp* accessDirProp_ = nullptr;
};

// Registers the door with the library's registry of control classes.
void RegisterDoorClasses();

} // namespace doravo
