#pragma once

// The effect's per-user settings file: where it lives, its creation, and the one value it
// holds (section "Editor", key "Scale"). Free functions in namespace settings, called by the
// effect's constructor, loadConfig() and saveConfig(); none throws.

#include <string>

namespace settings {

inline constexpr const char* kSettingsFolderFormat = "%s/Library/Application Support/%s";
inline constexpr const char* kSettingsFolderName = "MistlegroveMusic";
inline constexpr const char* kSettingsFileName = "/trellowphaser.ini";
inline constexpr const char* kEditorSection = "Editor";
inline constexpr const char* kScaleKey = "Scale";
inline constexpr float kDefaultEditorScale = 0.5f;
/** The draw-scale limits of the editor: a stored scale outside them is brought inside. */
inline constexpr float kMinEditorScale = 0.25f;
inline constexpr float kMaxEditorScale = 4.f;
/** Permission bits of the settings folder, applied whatever the file-creation mask. */
inline constexpr unsigned kSettingsFolderMode = 0774;

/** The settings file's full path under the user's home: HOME, or the password database's
 *  home when HOME is unset, empty or relative. Empty when neither gives an absolute path or
 *  the folder path would pass 1023 characters; the settings then live in memory only. */
std::string SettingsFilePath();

/** Makes sure the file's folder exists (created with exactly kSettingsFolderMode, missing
 *  parents as the mask allows, the mask itself untouched) and the file too (created empty).
 *  existed tells whether the file was there already. False when either could not be made,
 *  or path is empty. */
bool PrepareSettingsFile(const std::string& path, bool& existed);

/** The editor scale a stored text stands for: its leading decimal number (strtod) clamped
 *  to kMinEditorScale ... kMaxEditorScale, so the editor opens at one of its sizes;
 *  kDefaultEditorScale when the text holds no finite number. */
float EditorScaleFromText(const char* text);

/** The stored editor scale (EditorScaleFromText), kDefaultEditorScale when path is empty or
 *  the key is missing or empty. */
float ReadEditorScale(const std::string& path);

/** True when the file holds a scale the user chose (the key is there and not empty). */
bool HasStoredEditorScale(const std::string& path);

/** Stores scale with "%f". False when path is empty or the file could not be rewritten; the
 *  file then keeps its previous content. */
bool WriteEditorScale(const std::string& path, float scale);

/** What construction does: prepares the file; a file that was not there yet means the
 *  default scale, else the stored one. */
float InitEditorScale(const std::string& path);

} // namespace settings
