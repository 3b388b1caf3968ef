// The game's effects (resources 10000, 10003, 10010) on a headless device:
// every material technique draws a lit, textured sphere (rigid and skinned),
// families that should look different do, and the screen passes keep the
// image in place, blur and add.
//
// With GRAPPLE_SHADER_IMAGES=<directory> the material test also writes one
// contact sheet per effect there (one sphere per technique) for a look.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/host/HeadlessDevice.h"
#include "platform/d3dx9/D3dxEffect.h"
#include "platform/d3dx9/D3dxEffectAutomation.h"
#include "platform/d3dx9/D3dxMath.h"
#include "platform/d3dx9/D3dxTexture.h"
#include "platform/d3dx9/ImageCodec.h"
#include "platform/win32/SdlBridge.h"
#include "platform/win32/Windows.h"
#include "support/RenderTargetImage.h"

namespace {

const char* const kTechniques[] = {
    "T_Dummy",     "T_Std_Simple", "T_Std_Mid",   "T_Std_MidP",  "T_Std_Full",  "T_Char_Simple", "T_Char_Mid",
    "T_Char_MidP", "T_Char_Full",  "T_Map_Simple", "T_Map_Mid",  "T_Map_MidP",  "T_Map_Full",    "T_Toon",
    "T_ToonHair",  "T_Toon2",      "T_ToonHair2", "T_Hair",      "T_Hair2",     "T_Plain",       "T_PlainBright",
    "T_PlainOCR"};

constexpr D3DCOLOR kBackground = 0xFF102030;

struct SphereVertex {
  float position[3];
  float weights[3];
  float normal[3];
  float uv0[2];
  float uv1[2];
  float tangent[3];
  float binormal[3];
};

const D3DVERTEXELEMENT9 kSphereDeclaration[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_BLENDWEIGHT, 0},
    {0, 24, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
    {0, 36, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    {0, 44, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 1},
    {0, 52, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TANGENT, 0},
    {0, 64, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_BINORMAL, 0},
    D3DDECL_END()};

struct ScreenVertex {
  float x, y, z;
  float u0, v0;
  float u1, v1;
};

float Fraction(float x) { return x - std::floor(x); }

class ShaderTest : public ::testing::Test {
 protected:
  static constexpr UINT kSize = 128;
  static constexpr int kStacks = 24;
  static constexpr int kSlices = 48;

  void SetUp() override {
    ASSERT_TRUE(CreateDevice());
    ASSERT_TRUE(CreateSphere());
    // Stone tiles with grout: colour, bumps, shine only on the tiles, a few
    // glowing spots, and a light map darker towards the bottom.
    diffuse_ = MakeTexture(256, [](float u, float v) {
      const bool grout = Fraction(u * 12.0f) < 0.08f || Fraction(v * 6.0f) < 0.08f;
      const float shade = 0.85f + 0.15f * std::sin(u * 37.0f + v * 11.0f);
      return grout ? D3DXCOLOR(0.35f, 0.33f, 0.3f, 1.0f) : D3DXCOLOR(0.8f * shade, 0.5f * shade, 0.3f * shade, 1.0f);
    });
    normal_ = MakeTexture(256, [](float u, float v) {
      // Grooves along the grout lines: the slope points out of each groove.
      const float fu = Fraction(u * 12.0f);
      const float fv = Fraction(v * 6.0f);
      float x = 0.0f;
      float y = 0.0f;
      if (fu < 0.08f) x = fu < 0.04f ? 0.7f : -0.7f;
      if (fv < 0.08f) y = fv < 0.04f ? 0.7f : -0.7f;
      D3DXVECTOR3 n(x, y, 1.0f);
      D3DXVec3Normalize(&n, &n);
      return D3DXCOLOR(n.x * 0.5f + 0.5f, n.y * 0.5f + 0.5f, n.z * 0.5f + 0.5f, 1.0f);
    });
    specular_ = MakeTexture(256, [](float u, float v) {
      const bool grout = Fraction(u * 12.0f) < 0.08f || Fraction(v * 6.0f) < 0.08f;
      return grout ? D3DXCOLOR(0.0f, 0.0f, 0.0f, 4.0f / 255.0f) : D3DXCOLOR(0.7f, 0.65f, 0.6f, 40.0f / 255.0f);
    });
    emissive_ = MakeTexture(128, [](float u, float v) {
      const float du = Fraction(u * 4.0f) - 0.5f;
      const float dv = Fraction(v * 2.0f) - 0.5f;
      return du * du + dv * dv < 0.02f ? D3DXCOLOR(0.95f, 0.8f, 0.55f, 1.0f) : D3DXCOLOR(0.5f, 0.5f, 0.5f, 1.0f);
    });
    lightMap_ = MakeTexture(32, [](float, float v) {
      const float l = 0.75f - 0.5f * v;
      return D3DXCOLOR(l, l, l * 0.95f, 1.0f);
    });
  }

  void TearDown() override {
    for (IDirect3DTexture9* t : {diffuse_, normal_, specular_, emissive_, lightMap_}) {
      if (t != nullptr) t->Release();
    }
    if (effect_ != nullptr) effect_->Release();
    if (declaration_ != nullptr) declaration_->Release();
    if (vertices_ != nullptr) vertices_->Release();
    if (indices_ != nullptr) indices_->Release();
    headless_.Destroy();
  }

  bool CreateDevice() {
    if (!headless_.Create(kSize, kSize)) return false;
    device_ = headless_.Device();
    return true;
  }

  // A unit sphere: u runs with the longitude (rightwards on the side facing
  // -z), v from the top down; the tangent follows u, the binormal v.
  bool CreateSphere() {
    std::vector<SphereVertex> vertices;
    for (int i = 0; i <= kStacks; ++i) {
      const float theta = D3DX_PI * static_cast<float>(i) / kStacks;
      for (int j = 0; j <= kSlices; ++j) {
        const float phi = 2.0f * D3DX_PI * static_cast<float>(j) / kSlices - 0.5f * D3DX_PI;
        const float s = std::sin(theta);
        const float c = std::cos(theta);
        SphereVertex v{};
        const float n[3] = {s * std::cos(phi), c, s * std::sin(phi)};
        for (int k = 0; k < 3; ++k) v.position[k] = v.normal[k] = n[k];
        v.weights[0] = v.weights[1] = v.weights[2] = 0.25f;
        v.uv0[0] = v.uv1[0] = static_cast<float>(j) / kSlices;
        v.uv0[1] = v.uv1[1] = static_cast<float>(i) / kStacks;
        v.tangent[0] = -std::sin(phi);
        v.tangent[2] = std::cos(phi);
        v.binormal[0] = c * std::cos(phi);
        v.binormal[1] = -s;
        v.binormal[2] = c * std::sin(phi);
        vertices.push_back(v);
      }
    }
    std::vector<WORD> indices;
    for (int i = 0; i < kStacks; ++i) {
      for (int j = 0; j < kSlices; ++j) {
        const WORD a = static_cast<WORD>(i * (kSlices + 1) + j);
        const WORD b = static_cast<WORD>(a + kSlices + 1);
        // Clockwise as seen from outside: Direct3D's front faces.
        indices.insert(indices.end(), {a, static_cast<WORD>(a + 1), b, static_cast<WORD>(a + 1),
                                       static_cast<WORD>(b + 1), b});
      }
    }
    vertexCount_ = static_cast<UINT>(vertices.size());
    triangleCount_ = static_cast<UINT>(indices.size() / 3);
    void* data = nullptr;
    const UINT vertexBytes = static_cast<UINT>(vertices.size() * sizeof(SphereVertex));
    const UINT indexBytes = static_cast<UINT>(indices.size() * sizeof(WORD));
    if (device_->CreateVertexBuffer(vertexBytes, 0, 0, D3DPOOL_MANAGED, &vertices_, nullptr) != D3D_OK ||
        vertices_->Lock(0, 0, &data, 0) != D3D_OK) {
      return false;
    }
    std::memcpy(data, vertices.data(), vertexBytes);
    vertices_->Unlock();
    if (device_->CreateIndexBuffer(indexBytes, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &indices_, nullptr) != D3D_OK ||
        indices_->Lock(0, 0, &data, 0) != D3D_OK) {
      return false;
    }
    std::memcpy(data, indices.data(), indexBytes);
    indices_->Unlock();
    return device_->CreateVertexDeclaration(kSphereDeclaration, &declaration_) == D3D_OK;
  }

  // A texture with its whole mip chain (or `levels` levels), texels sampled
  // from a function of u and v.
  template <typename Texel>
  IDirect3DTexture9* MakeTexture(UINT size, Texel texel, UINT levels = 0) {
    IDirect3DTexture9* texture = nullptr;
    EXPECT_EQ(D3DXCreateTexture(device_, size, size, levels, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), D3D_OK);
    for (UINT level = 0; level < texture->GetLevelCount(); ++level) {
      const UINT side = std::max(1u, size >> level);
      D3DLOCKED_RECT locked{};
      EXPECT_EQ(texture->LockRect(level, &locked, nullptr, 0), D3D_OK);
      for (UINT y = 0; y < side; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(static_cast<char*>(locked.pBits) + y * locked.Pitch);
        for (UINT x = 0; x < side; ++x) {
          const D3DXCOLOR c = texel((x + 0.5f) / static_cast<float>(side), (y + 0.5f) / static_cast<float>(side));
          row[x] = D3DCOLOR_COLORVALUE(c.r, c.g, c.b, c.a);
        }
      }
      texture->UnlockRect(level);
    }
    return texture;
  }

  void CreateEffect(WORD id) {
    if (effect_ != nullptr) effect_->Release();
    effect_ = nullptr;
    ID3DXBuffer* errors = nullptr;
    const HRESULT hr = D3DXCreateEffectFromResourceA(device_, nullptr, MAKEINTRESOURCEA(id), nullptr, nullptr,
                                                     D3DXSHADER_SKIPVALIDATION, nullptr, &effect_, &errors);
    ASSERT_EQ(hr, D3D_OK) << (errors != nullptr ? static_cast<const char*>(errors->GetBufferPointer()) : "");
    if (errors != nullptr) errors->Release();
  }

  void SetWorld(int slot, const D3DXMATRIX& world) {
    D3DXMATRIX inverse;
    D3DXMATRIX wvp;
    D3DXMatrixInverse(&inverse, nullptr, &world);
    D3DXMatrixMultiply(&wvp, &world, &viewProjection_);
    const std::string index = "[" + std::to_string(slot) + "]";
    effect_->SetMatrix(("g_MatWorld" + index).c_str(), &world);
    effect_->SetMatrixTranspose(("g_MatWIT" + index).c_str(), &inverse);
    effect_->SetMatrix(("g_MatWVP" + index).c_str(), &wvp);
  }

  // The parameters as the renderer sets them: camera, two lights, ambient,
  // rim, and every map bound.
  void SetScene() {
    const D3DXVECTOR3 eye(0.0f, 0.4f, -3.2f);
    const D3DXVECTOR3 at(0.0f, 0.0f, 0.0f);
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    D3DXMATRIX view;
    D3DXMATRIX projection;
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&projection, D3DXToRadian(45.0f), 1.0f, 0.1f, 50.0f);
    D3DXMatrixMultiply(&viewProjection_, &view, &projection);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    for (int slot = 0; slot < 4; ++slot) SetWorld(slot, identity);
    effect_->SetInt("g_TransformBlend", 0);
    effect_->SetFloatArray("g_CamPos", &eye.x, 3);

    // Key light from the upper left front, a cool fill from the right back.
    SetLight(0, D3DXVECTOR3(1.0f, -0.8f, 0.7f), D3DXCOLOR(1.0f, 0.95f, 0.85f, 1.0f));
    SetLight(1, D3DXVECTOR3(-1.0f, 0.2f, -0.4f), D3DXCOLOR(0.25f, 0.3f, 0.4f, 1.0f));
    const D3DXCOLOR upper(0.45f, 0.5f, 0.6f, 1.0f);
    const D3DXCOLOR lower(0.3f, 0.24f, 0.18f, 1.0f);
    SetAmbient(upper, lower, 0.7f);
    const D3DXCOLOR a = (upper + lower) * 0.5f;
    const float m = 0.5f * (a.r + a.g + a.b) / 3.0f;
    const float rim[3] = {a.r + m, a.g + m, a.b + m};
    effect_->SetFloatArray("g_LightRim", rim, 3);
    const float specular[4] = {0.4f, 0.4f, 0.4f, 24.0f};
    effect_->SetFloatArray("g_Specular", specular, 4);
    effect_->SetFloat("g_GPV", 0.5f);
    effect_->SetTexture("g_TexDiffuse", diffuse_);
    effect_->SetTexture("g_TexNormal", normal_);
    effect_->SetTexture("g_TexSpecular", specular_);
    effect_->SetTexture("g_TexEmissive", emissive_);
    effect_->SetTexture("g_TexExtra", lightMap_);
  }

  void SetLight(int index, D3DXVECTOR3 direction, const D3DXCOLOR& colour) {
    D3DXVECTOR3 reversed = -direction;
    D3DXVec3Normalize(&reversed, &reversed);
    const std::string i = "[" + std::to_string(index) + "]";
    effect_->SetFloatArray(("g_LightDirR" + i).c_str(), &reversed.x, 3);
    effect_->SetFloatArray(("g_LightColor" + i).c_str(), &colour.r, 4);
  }

  void SetAmbient(const D3DXCOLOR& upper, const D3DXCOLOR& lower, float rate) {
    const D3DXCOLOR a1 = upper * rate;
    const D3DXCOLOR a2 = lower * rate;
    if (effect_->GetParameterByName(nullptr, "g_LightAmbient2") != nullptr) {
      effect_->SetFloatArray("g_LightAmbient", &a1.r, 4);
      effect_->SetFloatArray("g_LightAmbient2", &a2.r, 4);
    } else {
      const D3DXCOLOR mean = (a1 + a2) * 0.5f;
      effect_->SetFloatArray("g_LightAmbient", &mean.r, 4);
    }
  }

  RenderTargetImage DrawSphere(const char* technique) {
    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBackground, 1.0f, 0);
    EXPECT_EQ(effect_->SetTechnique(technique), D3D_OK) << technique;
    device_->SetVertexDeclaration(declaration_);
    device_->SetStreamSource(0, vertices_, 0, sizeof(SphereVertex));
    device_->SetIndices(indices_);
    UINT passes = 0;
    EXPECT_EQ(effect_->Begin(&passes, 0), D3D_OK);
    EXPECT_EQ(passes, 1u);
    EXPECT_EQ(effect_->BeginPass(0), D3D_OK) << technique;
    EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, vertexCount_, 0, triangleCount_), D3D_OK);
    effect_->EndPass();
    effect_->End();
    RenderTargetImage image;
    EXPECT_TRUE(image.Read(device_));
    return image;
  }

  // Mean colour over a square of pixels.
  static D3DXCOLOR Mean(const RenderTargetImage& image, int x0, int y0, int size) {
    D3DXCOLOR sum(0.0f, 0.0f, 0.0f, 0.0f);
    for (int y = y0; y < y0 + size; ++y) {
      for (int x = x0; x < x0 + size; ++x) {
        const std::uint32_t c = image.At(x, y);
        sum += D3DXCOLOR(RenderTargetImage::Red(c), RenderTargetImage::Green(c), RenderTargetImage::Blue(c), 0.0f);
      }
    }
    return sum * (1.0f / static_cast<float>(size * size));
  }
  static float Brightness(const D3DXCOLOR& c) { return (c.r + c.g + c.b) / 3.0f; }

  // Mean absolute difference per channel between two images.
  static float Difference(const RenderTargetImage& a, const RenderTargetImage& b) {
    double sum = 0.0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i) {
      for (int shift = 0; shift < 24; shift += 8) {
        sum += std::abs(static_cast<int>((a.pixels[i] >> shift) & 0xFF) - static_cast<int>((b.pixels[i] >> shift) & 0xFF));
      }
    }
    return static_cast<float>(sum / (3.0 * static_cast<double>(a.pixels.size())));
  }

  // The mean x of the pixels that are not background.
  static float CentreX(const RenderTargetImage& image) {
    double sum = 0.0;
    double count = 0.0;
    for (UINT y = 0; y < image.height; ++y) {
      for (UINT x = 0; x < image.width; ++x) {
        if ((image.At(static_cast<int>(x), static_cast<int>(y)) & 0xFFFFFF) == (kBackground & 0xFFFFFF)) continue;
        sum += x;
        count += 1.0;
      }
    }
    return count > 0.0 ? static_cast<float>(sum / count) : -1.0f;
  }

  // Images side by side, `columns` a row, each pixel scale x scale.
  static void SaveSheet(const std::vector<RenderTargetImage>& cells, int columns, int scale, const std::string& path) {
    const int cell = static_cast<int>(kSize) * scale;
    d3dx::Image image;
    image.width = columns * cell;
    image.height = static_cast<int>((cells.size() + static_cast<std::size_t>(columns) - 1) / static_cast<std::size_t>(columns)) * cell;
    image.pixels.assign(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height), 0xFF000000);
    for (std::size_t i = 0; i < cells.size(); ++i) {
      const int left = static_cast<int>(i % static_cast<std::size_t>(columns)) * cell;
      const int top = static_cast<int>(i / static_cast<std::size_t>(columns)) * cell;
      for (int y = 0; y < cell; ++y) {
        for (int x = 0; x < cell; ++x) {
          image.pixels[static_cast<std::size_t>((top + y) * image.width + left + x)] = cells[i].At(x / scale, y / scale);
        }
      }
    }
    std::string error;
    EXPECT_TRUE(d3dx::SavePngFile(path.c_str(), image, &error)) << error;
  }

  host::HeadlessDevice headless_;
  IDirect3DDevice9* device_ = nullptr;
  IDirect3DVertexDeclaration9* declaration_ = nullptr;
  IDirect3DVertexBuffer9* vertices_ = nullptr;
  IDirect3DIndexBuffer9* indices_ = nullptr;
  UINT vertexCount_ = 0;
  UINT triangleCount_ = 0;
  IDirect3DTexture9* diffuse_ = nullptr;
  IDirect3DTexture9* normal_ = nullptr;
  IDirect3DTexture9* specular_ = nullptr;
  IDirect3DTexture9* emissive_ = nullptr;
  IDirect3DTexture9* lightMap_ = nullptr;
  ID3DXEffect* effect_ = nullptr;
  D3DXMATRIX viewProjection_;
};

class MaterialEffectTest : public ShaderTest, public ::testing::WithParamInterface<WORD> {};

TEST_P(MaterialEffectTest, EveryTechniqueDrawsALitSphere) {
  CreateEffect(GetParam());
  ASSERT_NE(effect_, nullptr);
  SetScene();
  std::vector<RenderTargetImage> sheet;
  for (const char* technique : kTechniques) {
    SCOPED_TRACE(technique);
    ASSERT_NE(effect_->GetTechniqueByName(technique), nullptr);
    effect_->SetInt("g_TransformBlend", 0);
    const RenderTargetImage rigid = DrawSphere(technique);
    EXPECT_GT(Brightness(Mean(rigid, 56, 56, 16)), 30.0f);  // the middle of the sphere is lit
    EXPECT_TRUE(rigid.IsNear(2, 2, 0x10, 0x20, 0x30, 0));   // the corner is not covered
    // With equal matrices every element of the vertex array draws the same
    // (one technique of each array: the others share its vertex shaders).
    const std::string name = technique;
    if (name == "T_Std_Simple" || name == "T_Std_Mid" || name == "T_Map_Simple" || name == "T_Map_Mid" ||
        name == "T_Plain") {
      for (int blend = 1; blend <= 3; ++blend) {
        effect_->SetInt("g_TransformBlend", blend);
        EXPECT_LT(Difference(DrawSphere(technique), rigid), 0.05f) << blend;
      }
    }
    sheet.push_back(rigid);
  }
  if (const char* directory = std::getenv("GRAPPLE_SHADER_IMAGES")) {
    const std::string prefix = std::string(directory) + "/material_" + std::to_string(GetParam());
    SaveSheet(sheet, 4, 2, prefix + ".png");
  }
}

INSTANTIATE_TEST_SUITE_P(Resources, MaterialEffectTest, ::testing::Values(WORD{10000}, WORD{10003}));

TEST_F(ShaderTest, LightComesFromItsSideAndFamiliesLookDifferent) {
  CreateEffect(10000);
  SetScene();
  const RenderTargetImage simple = DrawSphere("T_Std_Simple");
  // The key light comes from the upper left: that side is brighter.
  EXPECT_GT(Brightness(Mean(simple, 30, 40, 10)), Brightness(Mean(simple, 88, 76, 10)) + 40.0f);

  const struct {
    const char* technique;
    float minimum;
  } differences[] = {{"T_Std_Mid", 1.0f},  {"T_Std_Full", 2.0f},    {"T_Char_Simple", 2.0f}, {"T_Map_Simple", 4.0f},
                     {"T_Toon", 4.0f},     {"T_Toon2", 4.0f},       {"T_ToonHair", 4.0f},    {"T_Hair", 4.0f},
                     {"T_Plain", 8.0f},    {"T_PlainBright", 8.0f}};
  for (const auto& d : differences) {
    EXPECT_GT(Difference(DrawSphere(d.technique), simple), d.minimum) << d.technique;
  }
  EXPECT_GT(Difference(DrawSphere("T_Toon"), DrawSphere("T_Toon2")), 1.0f);

  // Unlit: Plain shows the texture as it is, PlainBright times g_GPV,
  // PlainOCR times g_OutputColorRate.
  const D3DXCOLOR plain = Mean(DrawSphere("T_Plain"), 56, 56, 16);
  effect_->SetFloat("g_GPV", 1.5f);
  const D3DXCOLOR bright = Mean(DrawSphere("T_PlainBright"), 56, 56, 16);
  EXPECT_NEAR(bright.g, 1.5f * plain.g, 3.0f);
  EXPECT_NEAR(bright.b, 1.5f * plain.b, 3.0f);
  const float red[4] = {1.0f, 0.0f, 0.0f, 1.0f};
  effect_->SetFloatArray("g_OutputColorRate", red, 4);
  const D3DXCOLOR ocr = Mean(DrawSphere("T_PlainOCR"), 56, 56, 16);
  EXPECT_NEAR(ocr.r, plain.r, 3.0f);
  EXPECT_LT(ocr.g + ocr.b, 1.0f);
}

TEST_F(ShaderTest, MapsDoWhatTheyAreFor) {
  CreateEffect(10000);
  SetScene();
  // The light map (times two) brightens the top, where it is above 0.5, and
  // darkens the bottom.
  const RenderTargetImage simple = DrawSphere("T_Std_Simple");
  const RenderTargetImage mapped = DrawSphere("T_Map_Simple");
  EXPECT_GT(Brightness(Mean(mapped, 56, 30, 8)), Brightness(Mean(simple, 56, 30, 8)));
  EXPECT_LT(Brightness(Mean(mapped, 56, 96, 8)), Brightness(Mean(simple, 56, 96, 8)));

  // Emissive spots glow even where the light does not reach; a neutral
  // emissive map changes nothing.
  const RenderTargetImage full = DrawSphere("T_Std_Full");
  const RenderTargetImage midPlus = DrawSphere("T_Std_MidP");
  int brighter = 0;
  int darker = 0;
  for (std::size_t i = 0; i < full.pixels.size(); ++i) {
    const int a = RenderTargetImage::Red(full.pixels[i]);
    const int b = RenderTargetImage::Red(midPlus.pixels[i]);
    brighter += a > b + 40 ? 1 : 0;
    darker += a + 2 < b ? 1 : 0;
  }
  EXPECT_GT(brighter, 50);
  EXPECT_EQ(darker, 0);
}

TEST_F(ShaderTest, NormalMapsTiltAlongTheTangentAndTheBinormal) {
  CreateEffect(10000);
  SetScene();
  const float none[4] = {0.0f, 0.0f, 0.0f, 1.0f};
  effect_->SetFloatArray("g_LightAmbient", none, 4);
  effect_->SetFloatArray("g_LightRim", none, 3);
  effect_->SetFloatArray("g_Specular", none, 4);
  effect_->SetFloatArray("g_LightColor[1]", none, 4);
  // Every normal leans 37 degrees towards +u (tangent) or +v (binormal).
  IDirect3DTexture9* towardsU = MakeTexture(4, [](float, float) { return D3DXCOLOR(0.8f, 0.5f, 0.9f, 1.0f); });
  IDirect3DTexture9* towardsV = MakeTexture(4, [](float, float) { return D3DXCOLOR(0.5f, 0.8f, 0.9f, 1.0f); });
  // On the side facing the eye, +u runs to the right and +v down.
  const struct {
    IDirect3DTexture9* map;
    D3DXVECTOR3 lightTravel;
    bool brighter;
  } cases[] = {{towardsU, D3DXVECTOR3(-1.0f, 0.0f, 0.3f), true},
               {towardsU, D3DXVECTOR3(1.0f, 0.0f, 0.3f), false},
               {towardsV, D3DXVECTOR3(0.0f, 1.0f, 0.3f), true},
               {towardsV, D3DXVECTOR3(0.0f, -1.0f, 0.3f), false}};
  for (const auto& c : cases) {
    SetLight(0, c.lightTravel, D3DXCOLOR(1.0f, 1.0f, 1.0f, 1.0f));
    effect_->SetTexture("g_TexNormal", c.map);
    const float flat = Brightness(Mean(DrawSphere("T_Std_Simple"), 60, 60, 8));
    const float mapped = Brightness(Mean(DrawSphere("T_Std_Mid"), 60, 60, 8));
    if (c.brighter) {
      EXPECT_GT(mapped, flat + 30.0f) << c.lightTravel.x << " " << c.lightTravel.y;
    } else {
      EXPECT_LT(mapped + 10.0f, flat) << c.lightTravel.x << " " << c.lightTravel.y;
    }
  }
  towardsU->Release();
  towardsV->Release();
}

TEST_F(ShaderTest, MeshesWithoutBinormalsTakeTheNormalCrossTheTangent) {
  CreateEffect(10000);
  SetScene();
  IDirect3DTexture9* towardsV = MakeTexture(4, [](float, float) { return D3DXCOLOR(0.5f, 0.8f, 0.9f, 1.0f); });
  effect_->SetTexture("g_TexNormal", towardsV);
  SetLight(0, D3DXVECTOR3(0.0f, 1.0f, 0.3f), D3DXCOLOR(1.0f, 1.0f, 1.0f, 1.0f));
  const RenderTargetImage withBinormals = DrawSphere("T_Std_Mid");
  // Loaded meshes have no binormal element: the attribute reads as zero.
  SphereVertex* vertices = nullptr;
  ASSERT_EQ(vertices_->Lock(0, 0, reinterpret_cast<void**>(&vertices), 0), D3D_OK);
  for (UINT i = 0; i < vertexCount_; ++i) std::fill(vertices[i].binormal, vertices[i].binormal + 3, 0.0f);
  vertices_->Unlock();
  EXPECT_LT(Difference(DrawSphere("T_Std_Mid"), withBinormals), 0.05f);
  towardsV->Release();
}

TEST_F(ShaderTest, SkinningBlendsTheMatricesByTheVertexWeights) {
  CreateEffect(10003);
  SetScene();
  D3DXMATRIX identity;
  D3DXMATRIX moved;
  D3DXMATRIX part;
  D3DXMatrixIdentity(&identity);
  D3DXMatrixTranslation(&moved, 0.4f, 0.0f, 0.0f);
  // Two matrices: weight 0.25 given, the last matrix gets 0.75: the same as
  // three quarters of the move on one matrix.
  SetWorld(1, moved);
  effect_->SetInt("g_TransformBlend", 1);
  const RenderTargetImage two = DrawSphere("T_Char_Mid");
  effect_->SetInt("g_TransformBlend", 0);
  D3DXMatrixTranslation(&part, 0.3f, 0.0f, 0.0f);
  SetWorld(0, part);
  EXPECT_LT(Difference(two, DrawSphere("T_Char_Mid")), 0.1f);
  EXPECT_GT(CentreX(two), 70.0f);  // it did move
  // Four matrices: the last gets 1 - 3 x 0.25.
  SetWorld(0, identity);
  SetWorld(1, identity);
  SetWorld(3, moved);
  effect_->SetInt("g_TransformBlend", 3);
  const RenderTargetImage four = DrawSphere("T_Char_Mid");
  effect_->SetInt("g_TransformBlend", 0);
  D3DXMatrixTranslation(&part, 0.1f, 0.0f, 0.0f);
  SetWorld(0, part);
  EXPECT_LT(Difference(four, DrawSphere("T_Char_Mid")), 0.1f);
}

TEST_F(ShaderTest, ObjectsOfOneMaterialUploadOnlyTheirMatrices) {
  CreateEffect(10003);
  SetScene();
  DrawSphere("T_Std_MidP");
  d3dx::ResetEffectStatistics(effect_);
  for (int i = 1; i <= 10; ++i) {
    D3DXMATRIX world;
    D3DXMatrixTranslation(&world, 0.1f * static_cast<float>(i), 0.0f, 0.0f);
    SetWorld(0, world);
    DrawSphere("T_Std_MidP");
  }
  // g_MatWorld[0], g_MatWIT[0] and g_MatWVP[0] once a draw; the same object
  // drawn again uploads nothing.
  EXPECT_EQ(d3dx::GetEffectStatistics(effect_).uniformUploads, 30u);
  DrawSphere("T_Std_MidP");
  EXPECT_EQ(d3dx::GetEffectStatistics(effect_).uniformUploads, 30u);
}

TEST_F(ShaderTest, FogFollowsTheDeviceSwitchAndTheDistance) {
  CreateEffect(10000);
  SetScene();
  const RenderTargetImage clear = DrawSphere("T_Std_Simple");
  effect_->SetFloat("g_FogStart", 1.0f);
  effect_->SetFloat("g_FogInvDist", 1.0f);  // fully fogged from 2 units on
  device_->SetRenderState(D3DRS_FOGCOLOR, 0xFF40C040);
  EXPECT_LT(Difference(DrawSphere("T_Std_Simple"), clear), 0.05f);  // fog is off on the device
  device_->SetRenderState(D3DRS_FOGENABLE, TRUE);
  for (const char* technique : {"T_Std_Simple", "T_Toon", "T_PlainOCR"}) {
    EXPECT_TRUE(DrawSphere(technique).IsNear(64, 64, 0x40, 0xC0, 0x40, 2)) << technique;
  }
  effect_->SetFloat("g_FogStart", 10.0f);
  EXPECT_LT(Difference(DrawSphere("T_Std_Simple"), clear), 0.05f);  // everything before the fog starts
}

TEST_F(ShaderTest, TheHighQualityEffectShadesTheLowerHemisphereWithTheSecondAmbient) {
  CreateEffect(10000);
  EXPECT_EQ(effect_->GetParameterByName(nullptr, "g_LightAmbient2"), nullptr);
  CreateEffect(10003);
  SetScene();
  // No direct light: only the ambient colours remain.
  const float black[4] = {0.0f, 0.0f, 0.0f, 1.0f};
  effect_->SetFloatArray("g_LightColor[0]", black, 4);
  effect_->SetFloatArray("g_LightColor[1]", black, 4);
  const float blue[4] = {0.1f, 0.1f, 0.9f, 1.0f};
  const float brown[4] = {0.9f, 0.4f, 0.1f, 1.0f};
  effect_->SetFloatArray("g_LightAmbient", blue, 4);
  effect_->SetFloatArray("g_LightAmbient2", brown, 4);
  const RenderTargetImage lit = DrawSphere("T_Std_Simple");
  const D3DXCOLOR top = Mean(lit, 58, 26, 8);
  const D3DXCOLOR bottom = Mean(lit, 58, 98, 8);
  EXPECT_GT(top.b / std::max(top.r, 1.0f), 1.0f);
  EXPECT_GT(bottom.r / std::max(bottom.b, 1.0f), 2.0f);
}

// --- the screen effect ---

class ScreenEffectTest : public ShaderTest {
 protected:
  // A quad over the whole target as the renderer draws it: clip space,
  // shifted by half a pixel, texture coordinates 0 to 1.
  void DrawScreenQuad(UINT width, UINT height) {
    const auto cx = [&](float px) { return (px - 0.5f) * 2.0f / static_cast<float>(width) - 1.0f; };
    const auto cy = [&](float py) { return 1.0f - (py - 0.5f) * 2.0f / static_cast<float>(height); };
    const float w = static_cast<float>(width);
    const float h = static_cast<float>(height);
    const ScreenVertex quad[4] = {{cx(0), cy(0), 0.5f, 0, 0, 0, 0},
                                  {cx(w), cy(0), 0.5f, 1, 0, 1, 0},
                                  {cx(0), cy(h), 0.5f, 0, 1, 0, 1},
                                  {cx(w), cy(h), 0.5f, 1, 1, 1, 1}};
    device_->SetFVF(D3DFVF_XYZ | D3DFVF_TEX2);
    ASSERT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ScreenVertex)), D3D_OK);
  }

  void RunPass(const char* technique, UINT pass) {
    effect_->SetTechnique(technique);
    UINT passes = 0;
    ASSERT_EQ(effect_->Begin(&passes, 0), D3D_OK);
    ASSERT_LT(pass, passes);
    ASSERT_EQ(effect_->BeginPass(pass), D3D_OK);
    DrawScreenQuad(kSize, kSize);
    effect_->EndPass();
    effect_->End();
  }

  // An image of sharp one-pixel detail: a checker of odd colours.
  IDirect3DTexture9* Pattern() {
    return MakeTexture(
        kSize,
        [](float u, float v) {
      const int x = static_cast<int>(u * kSize);
      const int y = static_cast<int>(v * kSize);
      return D3DXCOLOR(static_cast<float>((x * 37) % 256) / 255.0f, static_cast<float>((y * 91) % 256) / 255.0f,
                       ((x + y) % 2) != 0 ? 1.0f : 0.0f, 1.0f);
        },
        1);
  }
};

TEST_F(ScreenEffectTest, EveryTechniqueBeginsAllItsPasses) {
  CreateEffect(10010);
  const struct {
    const char* name;
    UINT passes;
  } techniques[] = {{"T_Bright", 1}, {"T_Hypochromic", 1}, {"T_Blur", 2},       {"T_BlurTexel", 2},
                    {"T_BlurRadiate", 1}, {"T_QHDR", 5},   {"T_Distortion", 2}};
  for (const auto& t : techniques) {
    ASSERT_EQ(effect_->SetTechnique(t.name), D3D_OK) << t.name;
    UINT passes = 0;
    ASSERT_EQ(effect_->Begin(&passes, 0), D3D_OK);
    EXPECT_EQ(passes, t.passes) << t.name;
    for (UINT p = 0; p < passes; ++p) {
      EXPECT_EQ(effect_->BeginPass(p), D3D_OK) << t.name << " " << p;
      effect_->EndPass();
    }
    effect_->End();
  }
  for (const char* name : {"g_PixelSize", "g_BlurWeights", "g_BlurOffset", "g_GPV", "g_TexMain", "g_TexSub"}) {
    EXPECT_NE(effect_->GetParameterByName(nullptr, name), nullptr) << name;
  }
}

TEST_F(ScreenEffectTest, ACopyKeepsEveryPixelInPlace) {
  CreateEffect(10010);
  IDirect3DTexture9* pattern = Pattern();
  effect_->SetTexture("g_TexMain", pattern);
  RunPass("T_Distortion", 1);  // the plain copy back
  RenderTargetImage image;
  ASSERT_TRUE(image.Read(device_));
  D3DLOCKED_RECT locked{};
  ASSERT_EQ(pattern->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
  int wrong = 0;
  for (UINT y = 0; y < kSize; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(static_cast<const char*>(locked.pBits) + y * locked.Pitch);
    for (UINT x = 0; x < kSize; ++x) {
      const std::uint32_t want = row[x];
      const std::uint32_t got = image.At(static_cast<int>(x), static_cast<int>(y));
      for (int shift = 0; shift < 24; shift += 8) {
        if (std::abs(static_cast<int>((want >> shift) & 0xFF) - static_cast<int>((got >> shift) & 0xFF)) > 2) {
          ++wrong;
          break;
        }
      }
    }
  }
  pattern->UnlockRect(0);
  pattern->Release();
  EXPECT_EQ(wrong, 0);
}

TEST_F(ScreenEffectTest, BlursSpreadAndTheBloomAddsOntoTheImage) {
  CreateEffect(10010);
  const float weights[9] = {9 / 65.0f, 7 / 65.0f, 6 / 65.0f, 5 / 65.0f, 4 / 65.0f, 3 / 65.0f, 2 / 65.0f, 1 / 65.0f, 0};
  effect_->SetFloatArray("g_BlurWeights", weights, 9);
  const D3DXVECTOR4 step(1.0f / kSize, 1.0f / kSize, 0.0f, 0.0f);
  effect_->SetVector("g_BlurOffset", &step);
  // One white column in black.
  IDirect3DTexture9* line = MakeTexture(
      kSize, [](float u, float) { return static_cast<int>(u * kSize) == 64 ? D3DXCOLOR(1, 1, 1, 1) : D3DXCOLOR(0, 0, 0, 1); },
      1);
  effect_->SetTexture("g_TexMain", line);
  RunPass("T_Blur", 0);  // across
  RenderTargetImage across;
  ASSERT_TRUE(across.Read(device_));
  EXPECT_NEAR(RenderTargetImage::Red(across.At(64, 40)), 255 * 9 / 65, 3);
  EXPECT_NEAR(RenderTargetImage::Red(across.At(61, 40)), 255 * 5 / 65, 3);
  EXPECT_NEAR(RenderTargetImage::Red(across.At(67, 40)), 255 * 5 / 65, 3);
  EXPECT_EQ(RenderTargetImage::Red(across.At(40, 40)), 0);
  RunPass("T_Blur", 1);  // down: a vertical line stays as it is
  EXPECT_TRUE(across.Read(device_));
  EXPECT_NEAR(RenderTargetImage::Red(across.At(64, 40)), 255, 2);
  EXPECT_EQ(RenderTargetImage::Red(across.At(63, 40)), 0);

  // The last bloom pass screens its glow over the target: a full source
  // eased to g_GPV (1 - e^-4), then target + glow (1 - target); no glow
  // leaves the target as it was. End takes the blending off again.
  device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF404040, 1.0f, 0);
  effect_->SetFloat("g_GPV", 0.5f);
  RunPass("T_QHDR", 4);
  RenderTargetImage bloom;
  ASSERT_TRUE(bloom.Read(device_));
  const float glow = 0.5f * (1.0f - std::exp(-4.0f));
  const int screened = static_cast<int>(std::lround(255.0f * (glow + (64.0f / 255.0f) * (1.0f - glow))));
  EXPECT_TRUE(bloom.IsNear(64, 40, screened, screened, screened, 2)) << std::hex << bloom.At(64, 40);
  EXPECT_TRUE(bloom.IsNear(20, 40, 0x40, 0x40, 0x40, 0));
  DWORD blending = TRUE;
  device_->GetRenderState(D3DRS_ALPHABLENDENABLE, &blending);
  EXPECT_EQ(blending, static_cast<DWORD>(FALSE));
  line->Release();
}

}  // namespace
