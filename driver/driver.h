#pragma once
// The driver operations table: eleven operations in a fixed slot order, filled
// at start-up with the back end of the running Windows family.

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

void FillDriverTable9x(DriverOperations& table);
void FillDriverTableNT(DriverOperations& table);
// NT back end on Windows NT 4.0, 2000 and XP; the 9x back end on every other
// version, Windows Me and versions no test knows included.
void ChooseDriverBackEnd(DriverOperations& table);
