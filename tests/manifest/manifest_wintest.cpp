// The manifests of the client (RT_MANIFEST 1 of nuvmain.exe) and of the
// installation module (RT_MANIFEST 2 of nuvsetup.dll), read as the system
// reads them: an activation context made from each program's resource, with
// the common controls it brings in, and the client's settings (DPI, Windows
// versions, execution level) as the system reports them.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>

#include <gtest/gtest.h>

namespace {

struct Program {
  const char *file;
  WORD manifestId;
};
const Program kPrograms[] = {{"nuvmain.exe", 1}, {"nuvsetup.dll", 2}};

// The programs are built beside this test program.
bool BesideMe(const char *name, char *path, size_t size) {
  char self[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
  if (n == 0 || n >= sizeof self) return false;
  char *slash = std::strrchr(self, '\\');
  if (!slash) return false;
  *slash = '\0';
  int written = std::snprintf(path, size, "%s\\%s", self, name);
  return written > 0 && static_cast<size_t>(written) < size;
}

// An activation context made from a program's manifest resource, released
// at the end of the scope.
struct Context {
  HANDLE handle = INVALID_HANDLE_VALUE;
  explicit Context(const Program &program) {
    char path[MAX_PATH];
    if (!BesideMe(program.file, path, sizeof path)) return;
    ACTCTXA request = {};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = path;
    request.lpResourceName = MAKEINTRESOURCEA(program.manifestId);
    handle = CreateActCtxA(&request);
  }
  ~Context() {
    if (handle != INVALID_HANDLE_VALUE) ReleaseActCtx(handle);
  }
  Context(const Context &) = delete;
  Context &operator=(const Context &) = delete;
};

// The identities of the assemblies the context brings in, one after the
// other, each ending in a line feed.
bool AssemblyIdentities(HANDLE context, wchar_t *out, size_t size) {
  // The record is followed by the paths it points to.
  alignas(8) unsigned char detail[4096];
  SIZE_T written = 0;
  if (!QueryActCtxW(0, context, nullptr, ActivationContextDetailedInformation, detail,
                    sizeof detail, &written))
    return false;
  DWORD count =
      reinterpret_cast<const ACTIVATION_CONTEXT_DETAILED_INFORMATION *>(detail)->ulAssemblyCount;
  out[0] = L'\0';
  size_t used = 0;
  for (DWORD index = 1; index <= count; ++index) {
    alignas(8) unsigned char buffer[4096];
    if (!QueryActCtxW(0, context, &index, AssemblyDetailedInformationInActivationContext, buffer,
                      sizeof buffer, &written))
      return false;
    const auto *assembly =
        reinterpret_cast<const ACTIVATION_CONTEXT_ASSEMBLY_DETAILED_INFORMATION *>(buffer);
    const wchar_t *id = assembly->lpAssemblyEncodedAssemblyIdentity;
    int n = std::swprintf(out + used, size - used, L"%ls\n", id ? id : L"");
    if (n < 0) return false;
    used += static_cast<size_t>(n);
  }
  return true;
}

// True when a name of the section is redirected by the active context and
// by exactly this one (not the process's own).
bool RedirectedBy(HANDLE context, ULONG section, const wchar_t *name) {
  ACTCTX_SECTION_KEYED_DATA data = {};
  data.cbSize = sizeof data;
  if (!FindActCtxSectionStringW(FIND_ACTCTX_SECTION_KEY_RETURN_HACTCTX, nullptr, section, name,
                                &data))
    return false;
  bool ours = data.hActCtx == context;
  if (data.hActCtx) ReleaseActCtx(data.hActCtx);
  return ours;
}

TEST(Manifest, EachProgramsContextBringsCommonControls6) {
  for (const Program &program : kPrograms) {
    SCOPED_TRACE(program.file);
    Context context(program);
    ASSERT_NE(context.handle, INVALID_HANDLE_VALUE)
        << "no activation context from RT_MANIFEST " << program.manifestId
        << ", error " << GetLastError();

    wchar_t ids[2048];
    ASSERT_TRUE(AssemblyIdentities(context.handle, ids, sizeof ids / sizeof ids[0]));
    const wchar_t *controls = std::wcsstr(ids, L"Microsoft.Windows.Common-Controls");
    ASSERT_NE(controls, nullptr) << "assemblies: " << ids;
    const wchar_t *end = std::wcschr(controls, L'\n');
    const wchar_t *version = std::wcsstr(controls, L"version=\"6.");
    EXPECT_TRUE(version && version < end) << "assemblies: " << ids;
    EXPECT_NE(std::wcsstr(controls, L"6595b64144ccf1df"), nullptr) << "assemblies: " << ids;

    // Active, the context hands out the library and the window classes of
    // the dialogs' controls from version 6 of the common controls. (The
    // assembly's folder names its version: the library's DllGetVersion
    // answers 5.81 under Wine, whose one comctl32 serves both versions.)
    ULONG_PTR cookie = 0;
    ASSERT_TRUE(ActivateActCtx(context.handle, &cookie));
    EXPECT_TRUE(RedirectedBy(context.handle, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION,
                             L"comctl32.dll"));
    for (const wchar_t *windowClass : {L"Button", L"Edit", L"Static", L"SysListView32"})
      EXPECT_TRUE(RedirectedBy(context.handle, ACTIVATION_CONTEXT_SECTION_WINDOW_CLASS_REDIRECTION,
                               windowClass))
          << windowClass;
    HMODULE comctl = LoadLibraryA("comctl32.dll");
    char path[MAX_PATH] = "";
    if (comctl) GetModuleFileNameA(comctl, path, sizeof path);
    CharLowerA(path);
    EXPECT_NE(std::strstr(path, "microsoft.windows.common-controls_6595b64144ccf1df_6."), nullptr)
        << path;
    if (comctl) FreeLibrary(comctl);
    DeactivateActCtx(0, cookie);
  }
}

// One setting of the client's manifest as the system reads it (user32 reads
// the DPI awareness this way at start), or false when it is not there.
bool ClientSetting(HANDLE context, const wchar_t *ns, const wchar_t *name, wchar_t *out,
                   size_t size) {
  using QuerySettings = BOOL(WINAPI *)(DWORD, HANDLE, PCWSTR, PCWSTR, PWSTR, SIZE_T, SIZE_T *);
  auto query = reinterpret_cast<QuerySettings>(reinterpret_cast<void *>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "QueryActCtxSettingsW")));
  out[0] = L'\0';
  SIZE_T written = 0;
  return query && query(0, context, ns, name, out, size, &written);
}

TEST(Manifest, ClientIsDpiUnawareAsInvokerOnEveryWindowsFromVista) {
  Context context(kPrograms[0]);
  ASSERT_NE(context.handle, INVALID_HANDLE_VALUE);

  struct Setting {
    const wchar_t *ns, *name, *value;
  };
  const Setting settings[] = {
      {L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware", L"false"},
      {L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness", L"unaware"},
  };
  for (const Setting &setting : settings) {
    wchar_t value[64];
    ASSERT_TRUE(ClientSetting(context.handle, setting.ns, setting.name, value, 64))
        << "no " << setting.name << " in its namespace, error " << GetLastError();
    EXPECT_EQ(std::wcscmp(value, setting.value), 0) << setting.name << ": " << value;
  }

  ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION level = {};
  SIZE_T written = 0;
  ASSERT_TRUE(QueryActCtxW(0, context.handle, nullptr, RunlevelInformationInActivationContext,
                           &level, sizeof level, &written));
  EXPECT_EQ(level.RunLevel, ACTCTX_RUN_LEVEL_AS_INVOKER);
  EXPECT_EQ(level.UiAccess, 0u);

  // The supported Windows versions: Vista, 7, 8, 8.1, 10 and 11. The layout
  // of the elements differs between systems; each identifier is looked for
  // in the answer as it is.
  alignas(8) unsigned char compat[512];
  ASSERT_TRUE(QueryActCtxW(0, context.handle, nullptr, CompatibilityInformationInActivationContext,
                           compat, sizeof compat, &written));
  ASSERT_LE(written, sizeof compat);
  EXPECT_EQ(*reinterpret_cast<const DWORD *>(compat), 5u);
  const GUID os[] = {
      {0xe2011457, 0x1546, 0x43c5, {0xa5, 0xfe, 0x00, 0x8d, 0xee, 0xe3, 0xd3, 0xf0}},
      {0x35138b9a, 0x5d96, 0x4fbd, {0x8e, 0x2d, 0xa2, 0x44, 0x02, 0x25, 0xf9, 0x3a}},
      {0x4a2f28e3, 0x53b9, 0x4441, {0xba, 0x9c, 0xd6, 0x9d, 0x4a, 0x4a, 0x6e, 0x38}},
      {0x1f676c76, 0x80e1, 0x4239, {0x95, 0xbb, 0x83, 0xd0, 0xf6, 0xd0, 0xda, 0x78}},
      {0x8e0f7a12, 0xbfb3, 0x4fe8, {0xb9, 0xa5, 0x48, 0xfd, 0x50, 0xa1, 0x5a, 0x9a}},
  };
  for (const GUID &id : os) {
    bool found = false;
    for (size_t at = 0; !found && at + sizeof id <= written; at += 4)
      found = std::memcmp(compat + at, &id, sizeof id) == 0;
    EXPECT_TRUE(found) << "supportedOS " << std::hex << id.Data1 << " missing";
  }
}

}  // namespace
