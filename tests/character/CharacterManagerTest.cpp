// The character list: order, ownership, and the way out to the application.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "character/CharacterManager.h"

namespace {

// Records what the manager asks of it into a shared journal.
class FakeCharacter : public CharacterBase {
 public:
  FakeCharacter(std::string name, std::vector<std::string>* journal) : name_(std::move(name)), journal_(journal) {}
  void Release() override {}
  void Update() override { journal_->push_back("update " + name_); }
  void Draw() override { journal_->push_back("draw " + name_); }
  D3DXVECTOR3* GetPosition() override { return &position_; }
  D3DXVECTOR3* GetDrawPosition() override { return &position_; }

 private:
  std::string name_;
  std::vector<std::string>* journal_;
  D3DXVECTOR3 position_;
};

class FakeApplication : public CharacterManager::CallbackObj {
 public:
  bool StrikeRay(const D3DXVECTOR3& point, const D3DXVECTOR3&, CharacterBase* attacker) override {
    strikes.push_back(attacker);
    return point.x > 0.0f;
  }
  void SweepRay(const D3DXVECTOR3&, const D3DXVECTOR3&, CharacterBase* attacker) override { sweeps.push_back(attacker); }
  void ThrowObject(const D3DXMATRIX& hand, const D3DXVECTOR3& velocity, CharacterBase*) override {
    thrownFrom = D3DXVECTOR3(hand._41, hand._42, hand._43);
    thrownAt = velocity;
  }
  void PlayHitSound(const D3DXVECTOR3&, float) override {}

  std::vector<CharacterBase*> strikes;
  std::vector<CharacterBase*> sweeps;
  D3DXVECTOR3 thrownFrom, thrownAt;
};

TEST(CharacterManagerTest, TheListKeepsInsertionOrderAndOwnership) {
  std::vector<std::string> journal;
  FakeCharacter a("a", &journal), b("b", &journal), c("c", &journal), stranger("x", &journal);
  CharacterManager manager;
  for (CharacterBase* character : {static_cast<CharacterBase*>(&a), static_cast<CharacterBase*>(&b),
                                   static_cast<CharacterBase*>(&c)}) {
    manager.Add(character);
    EXPECT_EQ(character->owner, &manager);
  }
  EXPECT_EQ(manager.Find(&b), 1);
  EXPECT_EQ(manager.Find(&stranger), -1);

  manager.Remove(manager.Find(&b));
  EXPECT_EQ(b.owner, nullptr);
  manager.Remove(5);  // no such index: nothing happens
  manager.UpdateAll();
  manager.DrawAll();
  EXPECT_EQ(journal, (std::vector<std::string>{"update a", "update c", "draw a", "draw c"}));
  EXPECT_EQ(manager.Find(&c), 1);
}

TEST(CharacterManagerTest, ProbesAndThrowsReachTheApplicationOnlyWhenItListens) {
  std::vector<std::string> journal;
  FakeCharacter attacker("a", &journal);
  CharacterManager manager;
  D3DXMATRIX hand;
  D3DXMatrixTranslation(&hand, 1, 2, 3);
  EXPECT_FALSE(manager.KickProbe(D3DXVECTOR3(1, 0, 0), D3DXVECTOR3(0, 0, 0), &attacker));
  manager.WeaponProbe(D3DXVECTOR3(1, 0, 0), D3DXVECTOR3(0, 0, 0), &attacker);
  manager.Throw(hand, D3DXVECTOR3(0, 1, 0), &attacker);

  FakeApplication application;
  manager.callback = &application;
  EXPECT_TRUE(manager.KickProbe(D3DXVECTOR3(1, 0, 0), D3DXVECTOR3(0, 0, 0), &attacker));
  EXPECT_FALSE(manager.KickProbe(D3DXVECTOR3(-1, 0, 0), D3DXVECTOR3(0, 0, 0), &attacker));
  manager.WeaponProbe(D3DXVECTOR3(1, 0, 0), D3DXVECTOR3(0, 0, 0), &attacker);
  manager.Throw(hand, D3DXVECTOR3(0, 1, 0), &attacker);
  EXPECT_EQ(application.strikes.size(), 2u);
  EXPECT_EQ(application.sweeps, std::vector<CharacterBase*>{&attacker});
  EXPECT_EQ(application.thrownFrom, D3DXVECTOR3(1, 2, 3));
  EXPECT_EQ(application.thrownAt, D3DXVECTOR3(0, 1, 0));
}

}  // namespace
