#pragma once
// Status codes and open modes of the drawing database, under the editor's own names.

namespace Acad {

enum ErrorStatus {
    eOk = 0,
    eNotImplemented,
    eNotApplicable,
    eInvalidInput,
    eInvalidIndex,
    eKeyNotFound,
    eDuplicateKey,
    eNullObjectId,
    eNullObjectPointer,
    eNullEntityPointer,
    eUnknownHandle,
    eNotThatKindOfClass,
    eWasErased,
    eWasOpenedForWrite,
    eWasOpenedForRead,
    eWasOpenedForNotify,
    eNotOpenForRead,
    eNotOpenForWrite,
    eAlreadyInDb,
    eNotInDatabase,
    eWrongDatabase,
    eFileAccessErr,
    eOutOfMemory,
};

} // namespace Acad

namespace AcDb {

enum OpenMode {
    kForRead = 0,
    kForWrite = 1,
    kForNotify = 2,
};

} // namespace AcDb

// The status's enumerator name ("eOk", "eWasOpenedForWrite", ...), for messages and tests.
const wchar_t* acadErrorStatusText(Acad::ErrorStatus status);
