"""setuptry: trial runs of a setup script on every Windows family under Wine."""
