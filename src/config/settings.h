#pragma once
// The settings store: the record Config (config.h) loaded from and saved to
// section PARAMS of NUV.INI in the current folder, the service-type table and
// the small accessors. Free functions on the one global record.

constexpr const char *kSettingsFileName = "NUV.INI";
constexpr const char *kSettingsSection = "PARAMS";

// String-table ids of this store.
constexpr unsigned kIdsServiceProfile = 4096;  // "11110": service classes 0..4
constexpr unsigned kIdsServiceDefault = 4097;  // "-1": default of SERVICE
constexpr unsigned kIdsServiceUnknown = 4105;  // then 4106..4109 for types 0..3
constexpr unsigned kIdsErrorCaption = 1408;
constexpr unsigned kIdsConfigFileError = 1504;
constexpr unsigned kIdsSupportAddress = 1984;

// Which service classes (0 to 4) the client supports: 1 or 0 each.
constexpr int kServiceClassCount = 5;
extern int NuvServiceProfile[kServiceClassCount];

// Fills NuvServiceProfile from a text of flags: character i '1' sets class i,
// any other character or a missing one clears it.
void FillServiceProfile(const char *flags);
// The same from string 4096.
void InitServiceProfile();

// Installs text (cut to 10 characters) as the default of SERVICE. Start-up
// passes string 4097 before GetInfoFile.
void InitDefaultService(const char *text);

// Loads every setting, missing or empty keys taking their defaults, then
// saves the whole record back (repairing an unknown VERSION to "7.0").
// Returns 1; 0 when a save failed (the user has then been told once).
int GetInfoFile();

// Writes the protocol's keys and then every field of Config. Returns 1, or 0
// after telling the user that the file could not be written.
int SaveInfoFile();

// SERVICE as a decimal number (text without digits gives 0).
long GetUserService();
// Display name of the current service type into buf; the SERVICE text itself
// when the type has no name.
void GetUserServiceName(char *buf, int size);
// How many of NUMBER1..NUMBER4 are not empty (0 to 4).
int GetTransferNumberCount();
char *GetConfigPassword();
// 1 when the stored password passes the length and alphabet rules, else 0.
int CheckConfigPassword();
// 1 when the stored monitored number has exactly 10 digits, else 0.
int CheckConfigNUVNumber();
// 1 when SOUND is on.
int SoundIsOn();
// The first character of RAS ('1': a dial-up connection is watched).
char GetConfigRas();
// Prepares the remote-access buffers of the dial-up control (Windows only).
void SetUpRas();
