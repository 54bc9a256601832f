#include "support/WindowsPrograms.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "support/RunProgram.h"

namespace fs = std::filesystem;

namespace {

std::optional<fs::path> Tool(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::string rest = path ? path : "/usr/bin:/bin";
    while (!rest.empty()) {
        const std::size_t colon = rest.find(':');
        const fs::path candidate = fs::path(rest.substr(0, colon)) / name;
        if (candidate.is_absolute() && access(candidate.c_str(), X_OK) == 0)
            return candidate;
        rest = colon == std::string::npos ? std::string() : rest.substr(colon + 1);
    }
    return std::nullopt;
}

void WriteText(const fs::path& file, const std::string& text)
{
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
}

std::optional<fs::path> Made(const fs::path& output, const ProgramResult& result)
{
    if (result.exit_code != 0 || !fs::exists(output)) {
        std::fprintf(stderr, "%s", (result.out + result.err).c_str());
        return std::nullopt;
    }
    return output;
}

}  // namespace

std::optional<fs::path> MakeNsisInstaller(const fs::path& folder, const std::string& title)
{
    const std::optional<fs::path> makensis = Tool("makensis");
    if (!makensis)
        return std::nullopt;
    fs::create_directories(folder);
    const fs::path script = folder / "installer.nsi";
    // A 64-bit installer: 64-bit Wine runs it without Wine's 32-bit part.
    WriteText(script, "Unicode true\nTarget amd64-unicode\nName \"" + title + "\"\nCaption \"" + title +
                          " Setup\"\nOutFile \"installer.exe\"\nRequestExecutionLevel user\n"
                          "InstallDir \"$TEMP\\zulshell-test\"\nPage directory\nPage instfiles\nSection\nSectionEnd\n");
    return Made(folder / "installer.exe", RunProgram(makensis->string(), {"-V2", script.string()}, folder.string()));
}

std::optional<fs::path> MakeMingwProgram(const fs::path& folder)
{
    const std::optional<fs::path> gcc = Tool("x86_64-w64-mingw32-gcc");
    if (!gcc)
        return std::nullopt;
    fs::create_directories(folder);
    const fs::path source = folder / "program.c";
    WriteText(source, R"C(#include <windows.h>
#include <stdio.h>
#include <string.h>
int main(void)
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(NULL, path, MAX_PATH);
    char* slash = strrchr(path, '\\');
    const char* marker = getenv("ZUL_WINE_MARKER");
    if (n == 0 || n >= MAX_PATH || !slash || !marker || (size_t)(slash - path) + sizeof "\\neighbour.txt" > MAX_PATH)
        return 2;
    strcpy(slash + 1, "neighbour.txt");
    char text[256] = "(missing)";
    FILE* in = fopen(path, "rb");
    if (in) {
        text[fread(text, 1, sizeof text - 1, in)] = 0;
        fclose(in);
    }
    FILE* out = fopen(marker, "wb");
    if (!out)
        return 3;
    fprintf(out, "ran; neighbour: %s", text);
    fclose(out);
    return 0;
}
)C");
    const fs::path program = folder / "program.exe";
    return Made(program, RunProgram(gcc->string(), {"-O1", "-o", program.string(), source.string()}));
}

std::optional<fs::path> MakeMsiPackage(const fs::path& folder)
{
    const std::optional<fs::path> wixl = Tool("wixl");
    if (!wixl)
        return std::nullopt;
    fs::create_directories(folder);
    WriteText(folder / "payload.txt", "installed by the test package\n");
    const fs::path source = folder / "package.wxs";
    WriteText(source, R"(<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="*" Name="zulshell test package" Language="1033" Version="1.0.0" Manufacturer="zulshell"
           UpgradeCode="6A1C4A62-2C37-4C5E-9E1B-2F5E0C5E7A01">
    <Package InstallerVersion="200" Compressed="yes" InstallScope="perUser"/>
    <Media Id="1" Cabinet="payload.cab" EmbedCab="yes"/>
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="LocalAppDataFolder">
        <Directory Id="INSTALLDIR" Name="ZulshellTest">
          <Component Id="Payload" Guid="6A1C4A62-2C37-4C5E-9E1B-2F5E0C5E7A02">
            <File Id="Payload" Source="payload.txt"/>
          </Component>
        </Directory>
      </Directory>
    </Directory>
    <Feature Id="Main" Level="1"><ComponentRef Id="Payload"/></Feature>
  </Product>
</Wix>
)");
    const fs::path package = folder / "package.msi";
    return Made(package, RunProgram(wixl->string(), {"-o", package.string(), source.string()}, folder.string()));
}

std::string HandMadeExecutable(bool pe)
{
    std::string bytes(0x80, '\0');
    bytes.replace(0, 2, "MZ");
    bytes[0x3C] = '\x80';
    if (pe)
        bytes += std::string("PE\0\0", 4) + std::string(20 + 240, '\0');
    return bytes;
}

std::string WinePath(const fs::path& path)
{
    std::string windows = "Z:" + fs::absolute(path).string();
    for (char& c : windows)
        if (c == '/')
            c = '\\';
    return windows;
}

std::optional<std::string> WineMissing()
{
    if (!Tool("wine"))
        return "no wine on PATH (Debian packages wine and wine64)";
    if (!Tool("wineserver") && !fs::exists("/usr/lib/wine/wineserver"))
        return "no wineserver";
    return std::nullopt;
}
