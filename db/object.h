#pragma once
// Base classes of everything stored in a drawing database.
//
// Open/close discipline: a database-resident object is reached by opening it (for read,
// write or notify) and released with close(). Any number of readers may hold it at
// once; a writer holds it alone. A new object (not yet appended) is open for write
// until it is appended; the database then owns it and it stays open for write until
// the caller closes it. Objects are never deleted by callers once appended.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "db/acad_status.h"
#include "db/ge_point.h"
#include "db/object_id.h"
#include "db/placement.h"

namespace plotwright::db::detail {
class DatabaseAccess;
}

class AcDbObject {
public:
    AcDbObject() = default;
    virtual ~AcDbObject() = default;
    AcDbObject(const AcDbObject&) = delete;
    AcDbObject& operator=(const AcDbObject&) = delete;

    // Null until the object is appended to a database.
    AcDbObjectId objectId() const { return {database_, handle_}; }
    AcDbObjectId ownerId() const { return {database_, ownerHandle_}; }
    AcDbHandle handle() const { return handle_; }
    AcDbDatabase* database() const { return database_; }

    // Releases one open (the writer, or one reader or notifier). eNotInDatabase for an
    // object that was never appended (delete it instead), eNotOpenForRead when not open.
    Acad::ErrorStatus close();

    // Marks the object erased (or, with false, unerased). Needs it open for write.
    // Erased entities are neither shown nor saved.
    Acad::ErrorStatus erase(bool erasing = true);
    bool isErased() const { return erased_; }

    bool isReadEnabled() const { return readers_ > 0 || writer_; }
    bool isWriteEnabled() const { return writer_; }
    bool isNotifyEnabled() const { return notifiers_ > 0; }

    // True for objects read from the drawing file: they are saved as the file had them,
    // less what was erased and with the points of what was moved patched in place
    // (AcDbDatabase::eraseEntity, displaceEntity); they cannot be opened for write.
    bool isFromFile() const { return fromFile_; }

protected:
    // eOk when a mutator may change the object: it is new, or open for write.
    Acad::ErrorStatus checkWriteEnabled() const;

private:
    friend class AcDbDatabase;
    friend class AcDbBlockTableRecord;
    friend class plotwright::db::detail::DatabaseAccess;

    AcDbDatabase* database_ = nullptr;
    AcDbHandle handle_ = 0;
    AcDbHandle ownerHandle_ = 0;
    std::uint32_t readers_ = 0;
    std::uint16_t notifiers_ = 0;
    bool writer_ = true;
    bool erased_ = false;
    bool fromFile_ = false;
};

// One value of the data this program keeps with an entity, typed as DXF extended data
// is: text, a real, a 16-bit or a 32-bit integer.
struct AcDbAppDataValue {
    enum class Type { kText, kReal, kInt16, kInt32 };
    Type type = Type::kText;
    std::wstring text;
    double real = 0.0;
    std::int32_t integer = 0;
};
using AcDbAppData = std::vector<AcDbAppDataValue>;

// How an entity read from a file is drawn beyond its layer and colour.
struct AcDbEntityStyle {
    bool invisible = false;      // never drawn (60 = 1)
    std::wstring linetype;       // empty: ByLayer; "ByBlock", "Continuous" or a table entry
    double linetypeScale = 1.0;  // the entity's own (48)
    int alpha = 255;             // 0 clear .. 255 opaque (440; ByLayer and ByBlock opaque)
    friend bool operator==(const AcDbEntityStyle&, const AcDbEntityStyle&) = default;
};

// Something drawn: the editor shows it, the DXF writer saves it.
class AcDbEntity : public AcDbObject {
public:
    enum class Kind {
        kPolyline, kLine, kCircle, kArc, kPoint, k3dPolyline,
        // Read from files for display only; never written by this program.
        kText, kMText, kBlockReference, kEllipse, kSpline, kHatch, kFace, kLeader, kXline, kWipeout,
        kStrokes
    };
    virtual Kind kind() const = 0;

    // Layer name ("0" unless read otherwise from a file).
    const std::wstring& layer() const { return layer_; }
    // Colour index 0..256: 0 ByBlock, 256 ByLayer (the default), 1..255 the palette.
    int colorIndex() const { return colorIndex_; }
    // 24-bit 0xRRGGBB true colour, or -1 when the entity has none (it then uses colorIndex).
    std::int32_t trueColor() const { return trueColor_; }

    // Appearance as read from a file.
    void setAppearance(std::wstring layer, int colorIndex, std::int32_t trueColor);
    // Changes it later (AcDbDatabase::setEntityAppearance): the first change keeps what
    // the entity had, so that a save patches only records whose appearance differs.
    struct Appearance {
        std::wstring layer;
        int colorIndex = 256;
        std::int32_t trueColor = -1;
        friend bool operator==(const Appearance&, const Appearance&) = default;
    };
    void changeAppearance(const Appearance& appearance);
    Appearance appearance() const { return {layer_, colorIndex_, trueColor_}; }
    // Null until changeAppearance was called.
    const Appearance* appearanceBefore() const { return before_.get(); }
    // How it is drawn beyond its layer and colour (the default for new entities).
    const AcDbEntityStyle& style() const;
    void setStyle(const AcDbEntityStyle& style);
    // Puts a new entity on the current layer of `database` (colour stays as it is).
    void setDatabaseDefaults(const AcDbDatabase* database);

    // Moving in the XY plane (z of the offset is ignored). Only kinds whose position
    // a file keeps as plain points can move, and those in an own coordinate system
    // only while it is the world's: eNotApplicable (nothing changes) for the others,
    // eNotOpenForWrite unless open for write.
    bool isMovable() const;
    Acad::ErrorStatus moveBy(const AcGeVector3d& offset);
    // How far the entity lies from where it was read or created: the shift of its placement.
    // setDisplacement moves it so that the shift is exactly `displacement` (for undo).
    AcGeVector3d displacement() const { return {placement_.dx, placement_.dy, 0.0}; }
    Acad::ErrorStatus setDisplacement(const AcGeVector3d& displacement);

    // Turning, scaling and mirroring as well: the placement is everything done to the
    // entity since it was read or created. Kinds that keep angles, sizes or a sense of
    // turning that a placement cannot change exactly (texts, block references, kinds
    // seen only) can only be moved: canPlace is false for any other placement.
    const AcDbPlacement& placement() const { return placement_; }
    bool canPlace(const AcDbPlacement& placement) const;
    // Puts the entity where `placement` applied to its geometry as read or created puts it
    // (eNotApplicable, nothing changed, when canPlace is false).
    Acad::ErrorStatus setPlacement(const AcDbPlacement& placement);
    Acad::ErrorStatus transformBy(const AcDbPlacement& by) { return setPlacement(placement_.then(by)); }

    // This program's own data kept with the entity (a drawn curve's definition), in the
    // file as extended data of the application "PLOTWRIGHT" or, when larger than extended
    // data may be, in an XRECORD of the entity's extension dictionary. Empty when none.
    const AcDbAppData& appData() const { return appData_; }
    // Needs the entity new or open for write (eNotOpenForWrite otherwise).
    Acad::ErrorStatus setAppData(AcDbAppData data);

protected:
    virtual bool canMove() const { return false; }
    virtual void moveGeometry(double /*dx*/, double /*dy*/) {}
    // Turning, scaling or mirroring (`by` is no translation); only called when canTransform.
    virtual bool canTransform() const { return false; }
    virtual void transformGeometry(const AcDbPlacement& /*by*/) {}

private:
    std::wstring layer_ = L"0";
    AcDbAppData appData_;
    int colorIndex_ = 256;
    std::int32_t trueColor_ = -1;
    std::shared_ptr<const AcDbEntityStyle> style_;  // null: the default
    std::shared_ptr<const Appearance> before_;
    AcDbPlacement placement_;
};
