#include "db/acad_status.h"

const wchar_t* acadErrorStatusText(Acad::ErrorStatus status)
{
    switch (status) {
    case Acad::eOk: return L"eOk";
    case Acad::eNotImplemented: return L"eNotImplemented";
    case Acad::eNotApplicable: return L"eNotApplicable";
    case Acad::eInvalidInput: return L"eInvalidInput";
    case Acad::eInvalidIndex: return L"eInvalidIndex";
    case Acad::eKeyNotFound: return L"eKeyNotFound";
    case Acad::eDuplicateKey: return L"eDuplicateKey";
    case Acad::eNullObjectId: return L"eNullObjectId";
    case Acad::eNullObjectPointer: return L"eNullObjectPointer";
    case Acad::eNullEntityPointer: return L"eNullEntityPointer";
    case Acad::eUnknownHandle: return L"eUnknownHandle";
    case Acad::eNotThatKindOfClass: return L"eNotThatKindOfClass";
    case Acad::eWasErased: return L"eWasErased";
    case Acad::eWasOpenedForWrite: return L"eWasOpenedForWrite";
    case Acad::eWasOpenedForRead: return L"eWasOpenedForRead";
    case Acad::eWasOpenedForNotify: return L"eWasOpenedForNotify";
    case Acad::eNotOpenForRead: return L"eNotOpenForRead";
    case Acad::eNotOpenForWrite: return L"eNotOpenForWrite";
    case Acad::eAlreadyInDb: return L"eAlreadyInDb";
    case Acad::eNotInDatabase: return L"eNotInDatabase";
    case Acad::eWrongDatabase: return L"eWrongDatabase";
    case Acad::eFileAccessErr: return L"eFileAccessErr";
    case Acad::eOutOfMemory: return L"eOutOfMemory";
    }
    return L"unknown status";
}
