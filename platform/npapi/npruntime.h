// The NPAPI scripting interface (npruntime): identifiers, strings, script values and the objects a
// browser and a plug-in hand each other, with the class table through which a browser drives an
// object the plug-in made.
#pragma once

#include <cstdint>

typedef char NPUTF8;

// A member name or index, made and owned by the browser (NPN_GetStringIdentifier/NPN_GetIntIdentifier).
typedef void* NPIdentifier;

// UTF-8 text of exactly UTF8Length bytes; nothing guarantees a terminating zero.
typedef struct _NPString {
    const NPUTF8* UTF8Characters;
    uint32_t UTF8Length;
} NPString;

typedef enum : int32_t {
    NPVariantType_Void = 0,
    NPVariantType_Null = 1,
    NPVariantType_Bool = 2,
    NPVariantType_Int32 = 3,
    NPVariantType_Double = 4,
    NPVariantType_String = 5,
    NPVariantType_Object = 6,
} NPVariantType;

typedef struct NPObject NPObject;
typedef struct NPClass NPClass;

typedef struct _NPVariant {
    NPVariantType type;
    union {
        bool boolValue;
        int32_t intValue;
        double doubleValue;
        NPString stringValue;
        NPObject* objectValue;
    } value;
} NPVariant;

// The calls of an object's class table. The browser calls them on its main thread.
typedef NPObject* (*NPAllocateFunctionPtr)(struct _NPP* npp, NPClass* aClass);
typedef void (*NPDeallocateFunctionPtr)(NPObject* npobj);
typedef void (*NPInvalidateFunctionPtr)(NPObject* npobj);
typedef bool (*NPHasMethodFunctionPtr)(NPObject* npobj, NPIdentifier name);
typedef bool (*NPInvokeFunctionPtr)(NPObject* npobj, NPIdentifier name, const NPVariant* args, uint32_t argCount,
                                    NPVariant* result);
typedef bool (*NPInvokeDefaultFunctionPtr)(NPObject* npobj, const NPVariant* args, uint32_t argCount,
                                           NPVariant* result);
typedef bool (*NPHasPropertyFunctionPtr)(NPObject* npobj, NPIdentifier name);
typedef bool (*NPGetPropertyFunctionPtr)(NPObject* npobj, NPIdentifier name, NPVariant* result);
typedef bool (*NPSetPropertyFunctionPtr)(NPObject* npobj, NPIdentifier name, const NPVariant* value);
typedef bool (*NPRemovePropertyFunctionPtr)(NPObject* npobj, NPIdentifier name);
typedef bool (*NPEnumerationFunctionPtr)(NPObject* npobj, NPIdentifier** value, uint32_t* count);
typedef bool (*NPConstructFunctionPtr)(NPObject* npobj, const NPVariant* args, uint32_t argCount, NPVariant* result);

// Version 3 of the class table has every entry below (enumerate and construct came last).
#define NP_CLASS_STRUCT_VERSION 3

struct NPClass {
    uint32_t structVersion;
    NPAllocateFunctionPtr allocate;
    NPDeallocateFunctionPtr deallocate;
    NPInvalidateFunctionPtr invalidate;
    NPHasMethodFunctionPtr hasMethod;
    NPInvokeFunctionPtr invoke;
    NPInvokeDefaultFunctionPtr invokeDefault;
    NPHasPropertyFunctionPtr hasProperty;
    NPGetPropertyFunctionPtr getProperty;
    NPSetPropertyFunctionPtr setProperty;
    NPRemovePropertyFunctionPtr removeProperty;
    NPEnumerationFunctionPtr enumerate;
    NPConstructFunctionPtr construct;
};

// The head of every scripting object: the browser sets _class and manages referenceCount.
struct NPObject {
    NPClass* _class;
    uint32_t referenceCount;
};

// Tests and setters of NPVariant values.
#define NPVARIANT_IS_VOID(v) ((v).type == NPVariantType_Void)
#define NPVARIANT_IS_NULL(v) ((v).type == NPVariantType_Null)
#define NPVARIANT_IS_BOOLEAN(v) ((v).type == NPVariantType_Bool)
#define NPVARIANT_IS_INT32(v) ((v).type == NPVariantType_Int32)
#define NPVARIANT_IS_DOUBLE(v) ((v).type == NPVariantType_Double)
#define NPVARIANT_IS_STRING(v) ((v).type == NPVariantType_String)
#define NPVARIANT_IS_OBJECT(v) ((v).type == NPVariantType_Object)

#define NPVARIANT_TO_BOOLEAN(v) ((v).value.boolValue)
#define NPVARIANT_TO_INT32(v) ((v).value.intValue)
#define NPVARIANT_TO_DOUBLE(v) ((v).value.doubleValue)
#define NPVARIANT_TO_STRING(v) ((v).value.stringValue)
#define NPVARIANT_TO_OBJECT(v) ((v).value.objectValue)

#define VOID_TO_NPVARIANT(v) ((v).type = NPVariantType_Void, (v).value.objectValue = nullptr)
#define NULL_TO_NPVARIANT(v) ((v).type = NPVariantType_Null, (v).value.objectValue = nullptr)
#define BOOLEAN_TO_NPVARIANT(b, v) ((v).type = NPVariantType_Bool, (v).value.boolValue = !!(b))
#define INT32_TO_NPVARIANT(i, v) ((v).type = NPVariantType_Int32, (v).value.intValue = (i))
#define DOUBLE_TO_NPVARIANT(d, v) ((v).type = NPVariantType_Double, (v).value.doubleValue = (d))
#define STRINGN_TO_NPVARIANT(s, n, v)                                             \
    ((v).type = NPVariantType_String, (v).value.stringValue.UTF8Characters = (s), \
     (v).value.stringValue.UTF8Length = (n))
#define OBJECT_TO_NPVARIANT(o, v) ((v).type = NPVariantType_Object, (v).value.objectValue = (o))
