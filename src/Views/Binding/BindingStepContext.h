#pragma once

class AlertPresenter;
class BindingViewModel;
class ParentalPasswordStore;
class RemoteBackendConfig;

// What every step screen of the binding wizard works on.
struct BindingStepContext
{
    BindingViewModel& viewModel;
    RemoteBackendConfig& backendConfig;
    ParentalPasswordStore& passwordStore;
    AlertPresenter& alerts;
};
