#pragma once
// One inspector per file type. Each prints what the file holds, or the
// message the game gives for it, and returns 0 when the game can use the
// file, 1 when it cannot.

int InspectWave(const char* path);
int InspectMaterial(const char* path);
int InspectTexture(const char* path);
int InspectMesh(const char* path);
int InspectBones(const char* path);
int InspectPoses(const char* path);
