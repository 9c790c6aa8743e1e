#include "main/MainComponent.h"

MainComponent::MainComponent()
{
    setSize (1400, 600);
}

MainComponent::~MainComponent() = default;
