// Just enough of the class library that generated headers use, so that a
// header can be compiled and its ExtractFile run here.
#pragma once
#include <cstdio>

typedef unsigned long DWORD;
typedef int BOOL;
typedef const char* LPCTSTR;

class CFile {
public:
    enum { modeWrite = 0x0001, modeCreate = 0x1000 };
    bool Open(LPCTSTR name, unsigned) { return (m_file = std::fopen(name, "wb")) != nullptr; }
    void Write(const void* data, unsigned long size) { std::fwrite(data, 1, size, m_file); }
    void Close() { std::fclose(m_file); }

private:
    std::FILE* m_file = nullptr;
};
