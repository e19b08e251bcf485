#include "db/object.h"

#include "db/database.h"

Acad::ErrorStatus AcDbObject::close()
{
    if (!database_)
        return Acad::eNotInDatabase;
    if (writer_)
        writer_ = false;
    else if (readers_ > 0)
        --readers_;
    else if (notifiers_ > 0)
        --notifiers_;
    else
        return Acad::eNotOpenForRead;
    if (!writer_ && readers_ == 0 && notifiers_ == 0)
        --database_->openObjects_;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbObject::erase(bool erasing)
{
    if (!database_)
        return Acad::eNotInDatabase;
    if (!writer_)
        return Acad::eNotOpenForWrite;
    if (erased_ != erasing) {
        erased_ = erasing;
        database_->setModified(true);
        database_->eraseLog_.push_back({handle(), erasing});
    }
    return Acad::eOk;
}

Acad::ErrorStatus AcDbObject::checkWriteEnabled() const
{
    return writer_ ? Acad::eOk : Acad::eNotOpenForWrite;
}

void AcDbEntity::setAppearance(std::wstring layer, int colorIndex, std::int32_t trueColor)
{
    layer_ = std::move(layer);
    colorIndex_ = colorIndex;
    trueColor_ = trueColor;
}

void AcDbEntity::changeAppearance(const Appearance& appearance)
{
    if (!before_)
        before_ = std::make_shared<const Appearance>(this->appearance());
    setAppearance(appearance.layer, appearance.colorIndex, appearance.trueColor);
}

const AcDbEntityStyle& AcDbEntity::style() const
{
    static const AcDbEntityStyle kDefault;
    return style_ ? *style_ : kDefault;
}

void AcDbEntity::setStyle(const AcDbEntityStyle& style)
{
    style_ = style == AcDbEntityStyle{} ? nullptr : std::make_shared<const AcDbEntityStyle>(style);
}

void AcDbEntity::setDatabaseDefaults(const AcDbDatabase* database)
{
    if (database)
        layer_ = database->clayer();
}

Acad::ErrorStatus AcDbEntity::setAppData(AcDbAppData data)
{
    if (Acad::ErrorStatus es = checkWriteEnabled(); es != Acad::eOk)
        return es;
    appData_ = std::move(data);
    if (database())
        database()->setModified(true);
    return Acad::eOk;
}
