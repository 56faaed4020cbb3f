/* A program of another setup author's: built as C and as C++ against the
   release's include/nrvini.h and lib/libNRVINI.dll.a alone, so each call goes
   through an import symbol of the __stdcall decoration to NRVINI's
   undecorated export. */
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include <nrvini.h>

int main(void)
{
    char file[MAX_PATH + 20], value[32];
    const DWORD n = GetTempPathA(MAX_PATH, file);
    if (n == 0 || n >= MAX_PATH) return 2;
    strcat(file, "nrvini_client.ini");
    DeleteFileA(file);
    NrvWritePrivateProfileString("Client", "Answer", "42", file);
    NrvGetPrivateProfileString("Client", "Answer", "", value, sizeof value, file);
    const uint32_t answer = NrvGetPrivateProfileInt("Client", "Answer", -1, file);
    printf("NRVINI client: value %s, debug mode %d\n", answer == 42 ? value : "wrong", (int)DebugMode());
    DeleteFileA(file);
    return answer == 42 ? 0 : 1;
}
