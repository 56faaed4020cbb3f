#pragma once
// The driver operations table: eleven operations in a fixed slot order, filled
// at start-up by driver/ with the back end of the running Windows family.

// Results: LoadDriver 0 success, 1 failure; OpenDriver 0 success or already
// open, failure -1 (9x) or 1 (NT); ReadCMOS 0 success, 1 failure;
// ReadBIOSString the firmware's status byte, 0 for success; QueryDriverWord the
// driver's value, 0 on failure.
struct DriverOperations {
    int (*LoadDriver)() = nullptr;
    void (*DeleteDriver)() = nullptr;
    int (*OpenDriver)() = nullptr;
    void (*CloseDriver)() = nullptr;
    int (*ReadCMOS)(int index, unsigned char* value) = nullptr;
    void (*WriteCMOS)(int index, unsigned char value) = nullptr;
    void (*UpdateCMOSChecksum)() = nullptr;
    int (*SetLangCodeInCMOS)(unsigned char code) = nullptr;
    // text holds at least 18 bytes: up to 17 characters and a zero byte.
    int (*ReadBIOSString)(char* text) = nullptr;
    // signature holds 7 bytes.
    int (*ReadBIOSSignature)(char* signature) = nullptr;
    unsigned short (*QueryDriverWord)() = nullptr;
};
